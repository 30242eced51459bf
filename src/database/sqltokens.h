#pragma once
// The one scanner of statement text: it splits SQL into plain text, quoted runs and
// comments, so that whoever edits a statement (named parameters, plan removal) touches
// only the plain text.

#include <cstddef>
#include <string_view>

namespace zest::fb
{

enum class SqlSpanKind {
    Text, // anything outside quotes and comments
    Quoted, // '…' literal or "…" identifier; a doubled quote stays inside
    Comment, // -- up to (not including) the end of the line, or /* … */
};

struct SqlSpan {
    SqlSpanKind kind;
    std::string_view text; // a view into the scanned statement, never empty
};

// The span that starts at `pos` (< sql.size()). Plain text runs up to the next quote or
// comment start; an unterminated quote or block comment runs to the end of the text
// (the server will complain about it). Consecutive spans cover the statement exactly.
SqlSpan SqlSpanAt(std::string_view sql, std::size_t pos) noexcept;

} // namespace zest::fb
