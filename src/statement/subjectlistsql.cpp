#include "subjectlistsql.h"

#include "database/sqltokens.h"
#include "register/catalogue.h"

namespace zest
{

namespace
{

bool IsIdentifierByte(char c) noexcept
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' || u == '$';
}

bool IsPlanKeyword(std::string_view sql, std::size_t pos) noexcept
{
    static constexpr std::string_view keyword = "PLAN";
    if (pos + keyword.size() > sql.size())
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        auto c = static_cast<unsigned char>(sql[pos + i]);
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 'a' + 'A');
        if (c != static_cast<unsigned char>(keyword[i]))
            return false;
    }
    const bool startsWord = pos == 0 || !IsIdentifierByte(sql[pos - 1]);
    const bool endsWord = pos + keyword.size() == sql.size() || !IsIdentifierByte(sql[pos + keyword.size()]);
    return startsWord && endsWord;
}

// The end (one past the closing parenthesis) of a plan starting at `pos`, or npos when
// no parenthesised plan follows.
std::size_t PlanEnd(std::string_view sql, std::size_t pos) noexcept
{
    std::size_t i = pos + 4;
    // Only words and blanks (SORT, JOIN, MERGE, an alias) may stand before the first parenthesis.
    while (i < sql.size() && sql[i] != '(') {
        const auto u = static_cast<unsigned char>(sql[i]);
        if (!IsIdentifierByte(sql[i]) && u != ' ' && u != '\t' && u != '\r' && u != '\n')
            return std::string_view::npos;
        ++i;
    }
    int depth = 0;
    while (i < sql.size()) {
        const fb::SqlSpan span = fb::SqlSpanAt(sql, i);
        if (span.kind != fb::SqlSpanKind::Text) {
            i += span.text.size();
            continue;
        }
        const std::size_t spanEnd = i + span.text.size();
        for (; i < spanEnd; ++i) {
            if (sql[i] == '(') {
                ++depth;
            } else if (sql[i] == ')') {
                if (--depth == 0)
                    return i + 1;
            }
        }
    }
    return std::string_view::npos;
}

} // namespace

std::string QuotedBound(std::string_view bound)
{
    std::string out;
    out.reserve(bound.size());
    for (const char c : bound) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

std::string_view SubjectListHead(int kindIndex) noexcept
{
    if (kindIndex == PersonKindIndex)
        return reg::PersonListHead;
    return kindIndex == InstitutionKindIndex ? reg::InstitutionListHead : reg::GroupListHead;
}

std::string PrecinctCondition(int kindIndex, std::int32_t precinct)
{
    std::string sql(kindIndex == PersonKindIndex ? reg::PersonPrecinctShareCondition : reg::PrecinctShareCondition);
    const std::string number = std::to_string(precinct);
    for (std::size_t at = sql.find("%d"); at != std::string::npos; at = sql.find("%d", at + number.size()))
        sql.replace(at, 2, number);
    return sql;
}

std::string SubjectListSql(
    int kindIndex, std::string_view from, std::string_view to, std::optional<std::int32_t> precinct)
{
    auto condition = [](std::string& sql, std::string_view prefix, std::string_view bound) {
        sql += prefix;
        sql += QuotedBound(bound);
        sql += reg::BoundClose;
    };

    std::string sql(SubjectListHead(kindIndex));
    if (kindIndex == PersonKindIndex) {
        condition(sql, reg::PersonFromPrefix, from);
        if (!to.empty())
            condition(sql, reg::PersonToPrefix, to);
    } else {
        if (!from.empty())
            condition(sql, reg::NameFromPrefix, from);
        if (!to.empty())
            condition(sql, reg::NameToPrefix, to);
    }
    if (precinct)
        sql += PrecinctCondition(kindIndex, *precinct);
    else if (kindIndex == PersonKindIndex)
        sql += reg::PersonListPlan;
    else if (kindIndex == InstitutionKindIndex)
        sql += reg::InstitutionListPlan;

    if (kindIndex == PersonKindIndex)
        sql += reg::PersonListOrder;
    else
        sql += kindIndex == InstitutionKindIndex ? reg::InstitutionListOrder : reg::GroupListOrder;
    return sql;
}

std::string WithoutPlan(std::string_view sql)
{
    std::string out;
    out.reserve(sql.size());
    std::size_t i = 0;
    while (i < sql.size()) {
        const fb::SqlSpan span = fb::SqlSpanAt(sql, i);
        const std::size_t spanEnd = i + span.text.size();
        if (span.kind != fb::SqlSpanKind::Text) {
            out += span.text;
            i = spanEnd;
            continue;
        }
        // A plan may run on past this span (quotes or comments inside its parentheses).
        while (i < spanEnd) {
            if (IsPlanKeyword(sql, i)) {
                const std::size_t end = PlanEnd(sql, i);
                if (end != std::string_view::npos) {
                    i = end;
                    break;
                }
            }
            out += sql[i];
            ++i;
        }
    }
    return out;
}

std::unique_ptr<fb::Query> PrepareWithPlanFallback(fb::Transaction& tr, std::string_view sql)
{
    try {
        return std::make_unique<fb::Query>(tr, sql);
    } catch (const fb::DatabaseError& e) {
        if (!e.isPlanRejected())
            throw;
        const std::string planless = WithoutPlan(sql);
        if (planless == sql)
            throw;
        return std::make_unique<fb::Query>(tr, planless);
    }
}

} // namespace zest
