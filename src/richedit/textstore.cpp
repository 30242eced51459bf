// The byte store of the text window: normalised line ends, the line index, searching.
#include "richedit/textstore.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "widgets/wintext.h"

namespace zest::richedit
{

namespace
{

// The lower-case byte of every Windows-1250 byte and whether it belongs to a word.
struct Cp1250Tables {
    std::array<unsigned char, 256> Fold {};
    std::array<unsigned char, 256> Same {};
    std::array<bool, 256> Word {};

    Cp1250Tables()
    {
        for (int b = 0; b < 256; ++b) {
            const QChar c(cp1250::CharOf(static_cast<unsigned char>(b)));
            Same[b] = static_cast<unsigned char>(b);
            Word[b] = c.isLetterOrNumber() || c == u'_';
            const int folded = cp1250::ByteOf(c.toLower().unicode());
            Fold[b] = static_cast<unsigned char>(folded >= 0 ? folded : b);
        }
    }
};

const Cp1250Tables& Tables()
{
    static const Cp1250Tables tables;
    return tables;
}

// Appends `in` to `out` with every line end (CR LF, CR, LF) as one '\n'.
void AppendNormalised(std::string& out, std::string_view in)
{
    const char* p = in.data();
    const char* const end = p + in.size();
    while (p != end) {
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
        if (!cr) {
            out.append(p, static_cast<std::size_t>(end - p));
            break;
        }
        out.append(p, static_cast<std::size_t>(cr - p));
        out.push_back('\n');
        p = cr + 1;
        if (p != end && *p == '\n')
            ++p;
    }
}

// The start of every line after a '\n' in `bytes`, as positions offset by `base`.
void IndexBreaks(std::string_view bytes, TextStore::Pos base, std::vector<TextStore::Pos>& starts)
{
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    for (const char* p = begin; p != end;) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!lf)
            break;
        starts.push_back(base + (lf - begin) + 1);
        p = lf + 1;
    }
}

} // namespace

bool TextStore::IsWordByte(unsigned char byte) noexcept
{
    return Tables().Word[byte];
}

unsigned char TextStore::FoldByte(unsigned char byte) noexcept
{
    return Tables().Fold[byte];
}

void TextStore::Assign(std::string_view cp1250)
{
    std::string bytes;
    bytes.reserve(cp1250.size());
    AppendNormalised(bytes, cp1250);
    std::vector<Pos> starts { 0 };
    starts.reserve(bytes.size() / 64 + 1);
    IndexBreaks(bytes, 0, starts);
    starts.shrink_to_fit();
    bytes_ = std::move(bytes);
    starts_ = std::move(starts);
    longestKnown_ = false;
}

TextStore::Pos TextStore::Replace(Pos start, Pos end, std::string_view cp1250)
{
    start = std::clamp<Pos>(start, 0, Length());
    end = std::clamp<Pos>(end, start, Length());
    std::string normalised;
    std::string_view in = cp1250;
    if (in.find('\r') != std::string_view::npos) {
        normalised.reserve(in.size());
        AppendNormalised(normalised, in);
        in = normalised;
    }
    const Pos inserted = static_cast<Pos>(in.size());
    const Pos delta = inserted - (end - start);

    // Line starts inside the replaced range (after a removed break) go; those after it move.
    const auto first = std::upper_bound(starts_.begin(), starts_.end(), start);
    const auto last = std::upper_bound(first, starts_.end(), end);
    const Pos line = (first - starts_.begin()) - 1;
    const Pos splitLength = LineEnd(line) - LineStart(line);
    for (auto it = last; it != starts_.end(); ++it)
        *it += delta;
    std::vector<Pos> added;
    IndexBreaks(in, start, added);
    if (static_cast<std::size_t>(last - first) >= added.size()) {
        const auto next = std::copy(added.begin(), added.end(), first);
        starts_.erase(next, last);
    } else {
        const auto at = std::copy(added.begin(), added.begin() + (last - first), first) - starts_.begin();
        starts_.insert(starts_.begin() + at, added.begin() + (last - first), added.end());
    }

    if (start == Length() && end == start)
        bytes_.append(in);
    else
        bytes_.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), in);

    // Removing text or splitting the longest line may leave a shorter longest one, to be
    // measured when asked for; otherwise only the lines written can be longer.
    if (end > start || (!added.empty() && splitLength >= longest_)) {
        longestKnown_ = false;
    } else if (longestKnown_) {
        for (Pos l = line; l <= line + static_cast<Pos>(added.size()); ++l)
            longest_ = std::max(longest_, LineEnd(l) - LineStart(l));
    }
    return inserted;
}

TextStore::Pos TextStore::LineOf(Pos pos) const noexcept
{
    return (std::upper_bound(starts_.begin(), starts_.end(), pos) - starts_.begin()) - 1;
}

TextStore::Pos TextStore::LineEnd(Pos line) const noexcept
{
    return line + 1 < LineCount() ? starts_[static_cast<std::size_t>(line + 1)] - 1 : Length();
}

std::string_view TextStore::Line(Pos line) const noexcept
{
    const Pos start = LineStart(line);
    return std::string_view(bytes_).substr(
        static_cast<std::size_t>(start), static_cast<std::size_t>(LineEnd(line) - start));
}

std::string_view TextStore::Bytes(Pos start, Pos end) const noexcept
{
    start = std::clamp<Pos>(start, 0, Length());
    end = std::clamp<Pos>(end, start, Length());
    return std::string_view(bytes_).substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

std::string TextStore::CrLf(Pos start, Pos end) const
{
    const std::string_view bytes = Bytes(start, end);
    start = static_cast<Pos>(bytes.data() - bytes_.data());
    const Pos breaks = std::max<Pos>(LineOf(start + static_cast<Pos>(bytes.size())) - LineOf(start), 0);
    std::string out;
    out.reserve(bytes.size() + static_cast<std::size_t>(breaks));
    std::size_t p = 0;
    while (p < bytes.size()) {
        const std::size_t lf = bytes.find('\n', p);
        if (lf == std::string_view::npos) {
            out.append(bytes.substr(p));
            break;
        }
        out.append(bytes.substr(p, lf - p));
        out.append("\r\n");
        p = lf + 1;
    }
    return out;
}

TextStore::Pos TextStore::LongestLine() const
{
    if (!longestKnown_) {
        longest_ = 0;
        for (Pos l = 0; l < LineCount(); ++l)
            longest_ = std::max(longest_, LineEnd(l) - LineStart(l));
        longestKnown_ = true;
    }
    return longest_;
}

TextStore::Pos TextStore::Find(const QString& what, Pos from, Pos to, FindOptions options) const
{
    QString needle = what;
    needle.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    needle.replace(u'\r', u'\n');
    const std::optional<std::string> bytes = ui::ToWin1250(needle, cp1250::Refuse);
    if (!bytes)
        return -1;
    return FindBytes(*bytes, from, to, options);
}

TextStore::Pos TextStore::FindBytes(std::string_view what, Pos from, Pos to, FindOptions options) const
{
    if (to < 0 || to > Length())
        to = Length();
    const Pos n = static_cast<Pos>(what.size());
    if (n == 0 || from < 0 || to - from < n)
        return -1;

    // Horspool over folded bytes: the shift is taken by the byte under the needle's end.
    const Cp1250Tables& t = Tables();
    const auto& fold = options.MatchCase ? t.Same : t.Fold;
    std::vector<unsigned char> needle(what.size());
    for (std::size_t i = 0; i < what.size(); ++i)
        needle[i] = fold[static_cast<unsigned char>(what[i])];
    std::array<Pos, 256> shift;
    shift.fill(n);
    for (Pos i = 0; i + 1 < n; ++i)
        shift[needle[static_cast<std::size_t>(i)]] = n - 1 - i;

    const auto* hay = reinterpret_cast<const unsigned char*>(bytes_.data());
    const unsigned char lastByte = needle.back();
    const Pos length = Length();
    for (Pos at = from; at + n <= to;) {
        const unsigned char tail = fold[hay[at + n - 1]];
        if (tail == lastByte) {
            Pos j = n - 2;
            while (j >= 0 && fold[hay[at + j]] == needle[static_cast<std::size_t>(j)])
                --j;
            if (j < 0) {
                const bool whole = !options.WholeWord
                    || ((at == 0 || !t.Word[hay[at - 1]]) && (at + n == length || !t.Word[hay[at + n]]));
                if (whole)
                    return at;
            }
        }
        at += shift[tail];
    }
    return -1;
}

} // namespace zest::richedit
