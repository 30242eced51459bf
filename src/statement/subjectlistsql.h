#pragma once
// The subject list: the statement behind "Pobierz osoby" for one kind of subject and an
// optional name range, and how such a statement is prepared on a register whose indexes
// do not fit the plan written into it.

#include <memory>
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
// bounds of the other kinds are written only when not empty.
std::string SubjectListSql(int kindIndex, std::string_view from, std::string_view to);

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
