#pragma once
// The subject list: the statement behind "Pobierz osoby" for one kind of subject and an
// optional name range, and how such a statement is prepared on a register whose indexes
// do not fit the plan written into it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "database/database.h"

namespace zest
{

// Index of the kind radio group: natural persons, institutions; any other value lists
// group subjects.
inline constexpr int PersonKindIndex = 0;
inline constexpr int InstitutionKindIndex = 1;
inline constexpr int GroupKindIndex = 2;

// The bound as it stands between the single quotes of a condition: the text as typed,
// with every single quote doubled so that it stays one literal.
std::string QuotedBound(std::string_view bound);

// The list statement for the kind and range. Persons always carry the lower surname
// bound (an empty one leaves out persons without a surname); the upper bound and both
// bounds of the other kinds are written only when not empty. With a precinct, only
// subjects with a current share in a unit of that precinct (a person also through a
// marriage), and no plan.
std::string SubjectListSql(
    int kindIndex, std::string_view from, std::string_view to, std::optional<std::int32_t> precinct = {});

// The list statement's head for the kind (its select list and join, no range, plan or
// order): the rows of subjects named from outside the list (ListedSubjects).
std::string_view SubjectListHead(int kindIndex) noexcept;

// The precinct condition for the kind.
std::string PrecinctCondition(int kindIndex, std::int32_t precinct);

// The statement without its PLAN clauses: from the keyword PLAN (any case, outside
// quotes and comments) up to the parenthesis that closes the plan's first one.
// A statement without a plan is returned unchanged.
std::string WithoutPlan(std::string_view sql);

// Prepares the statement. When the server refuses its plan (an index named there is
// missing, or keyed so that it cannot serve its stream), prepares it again without the
// plan: the server chooses its own access path, and the ORDER BY keeps the row order.
// Any other error is passed on.
std::unique_ptr<fb::Query> PrepareWithPlanFallback(fb::Transaction& tr, std::string_view sql);

} // namespace zest
