#include <gtest/gtest.h>

#include "database/namedparams.h"
#include "database/sqltokens.h"

using zest::fb::MapNamedParameters;
using zest::fb::NamesEqual;

namespace
{

struct MappingCase {
    const char* name;
    const char* sql;
    const char* mapped;
    std::vector<std::string> names;
};

class NamedParameterMapping : public testing::TestWithParam<MappingCase>
{
};

TEST_P(NamedParameterMapping, ReplacesNamesOutsideQuotesAndComments)
{
    const MappingCase& c = GetParam();
    const auto m = MapNamedParameters(c.sql);
    EXPECT_EQ(m.sql, c.mapped);
    EXPECT_EQ(m.names, c.names);
}

INSTANTIATE_TEST_SUITE_P(Cases, NamedParameterMapping,
    testing::Values(MappingCase { "NoParameters", "select id, naz from obreby order by id",
                        "select id, naz from obreby order by id", {} },
        MappingCase { "GluedToEquals", "where MAZ =:idp and x", "where MAZ =? and x", { "idp" } },
        MappingCase { "RepeatedName", "p.id_pdm = :idp union select 1 where p.id_pdm = :idp",
            "p.id_pdm = ? union select 1 where p.id_pdm = ?", { "idp", "idp" } },
        MappingCase { "TwoNamesWithDigitsAndUnderscore", "a=:PID and b=:x_1$", "a=? and b=?", { "PID", "x_1$" } },
        MappingCase { "InsideStringLiteral", "where n = ':idp' and m=:idp", "where n = ':idp' and m=?", { "idp" } },
        MappingCase {
            "DoubledQuoteInsideString", "where n = 'O'':idp' and m=:b", "where n = 'O'':idp' and m=?", { "b" } },
        MappingCase {
            "QuotedIdentifier", "select \":x\" from t where a=:y", "select \":x\" from t where a=?", { "y" } },
        MappingCase {
            "LineComment", "select 1 -- :notme\nfrom t where a=:me", "select 1 -- :notme\nfrom t where a=?", { "me" } },
        MappingCase { "BlockComment", "select /* :no */ a from t where b=:yes", "select /* :no */ a from t where b=?",
            { "yes" } },
        MappingCase { "UnterminatedComment", "select a /* :no", "select a /* :no", {} },
        MappingCase { "PositionalMarkerKept", "a=? and b=:n", "a=? and b=?", { "", "n" } },
        MappingCase {
            "ColonWithoutName", "select a, ':' from t where x = :1", "select a, ':' from t where x = :1", {} },
        MappingCase { "MinusNotAComment", "select a-1 from t where b=:c-2", "select a-1 from t where b=?-2", { "c" } },
        MappingCase { "NameAtEnd", "where a=:idp", "where a=?", { "idp" } }),
    [](const testing::TestParamInfo<MappingCase>& info) { return std::string(info.param.name); });

// The spans as "kind:text" pieces, so that a case reads as the split it expects.
std::vector<std::string> Spans(std::string_view sql)
{
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < sql.size();) {
        const zest::fb::SqlSpan span = zest::fb::SqlSpanAt(sql, pos);
        const char* kind = span.kind == zest::fb::SqlSpanKind::Text ? "T:"
            : span.kind == zest::fb::SqlSpanKind::Quoted            ? "Q:"
                                                                    : "C:";
        out.push_back(kind + std::string(span.text));
        pos += span.text.size();
    }
    return out;
}

TEST(SqlSpans, SplitTextQuotesAndCommentsCoveringEveryByte)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Spans("a-1 'it''s' \"x\"\"y\" b"), (V { "T:a-1 ", "Q:'it''s'", "T: ", "Q:\"x\"\"y\"", "T: b" }));
    EXPECT_EQ(Spans("a--c 'q'\n/*'*/b"), (V { "T:a", "C:--c 'q'", "T:\n", "C:/*'*/", "T:b" }));
    EXPECT_EQ(Spans("a/*x"), (V { "T:a", "C:/*x" }));
    EXPECT_EQ(Spans("'open -- not a comment"), (V { "Q:'open -- not a comment" }));
    EXPECT_EQ(Spans("a/-b*/"), (V { "T:a/-b*/" }));
}

TEST(NamesEqual, IgnoresAsciiCaseOnlyAndIsSafeAboveAscii)
{
    EXPECT_TRUE(NamesEqual("id_pdm", "ID_PDM"));
    EXPECT_TRUE(NamesEqual("Plec", "PLEC"));
    EXPECT_FALSE(NamesEqual("ID", "ID_OS"));
    EXPECT_FALSE(NamesEqual("", "A"));
    // Windows-1250 letters above 0x7F compare exactly (no sign-extension surprises).
    EXPECT_TRUE(NamesEqual("\xA3\xD3", "\xA3\xD3"));
    EXPECT_FALSE(NamesEqual("\xB3", "\xA3"));
}

} // namespace
