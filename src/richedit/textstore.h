#pragma once
// The text of a text window as Windows-1250 bytes kept once, with the start of every
// line indexed. A line break is one '\n' byte whatever line end came in (CR LF, CR,
// LF); CR LF goes out again. Form feeds and every other byte are characters like any
// other. Positions are byte offsets, so they are also the window's character positions.
//
// Edits move the bytes after them (linear in the size at worst); appends at the end
// are amortised constant per byte. Searching runs on the bytes with a Windows-1250 case
// fold, without decoding the text.

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zest::richedit
{

class TextStore
{
public:
    using Pos = std::int64_t;

    // Text as it came (any line ends) in place of everything.
    void Assign(std::string_view cp1250);
    // [start, end) replaced by `cp1250` (any line ends), clamped to the text. Returns how
    // many characters were inserted (line ends normalised).
    Pos Replace(Pos start, Pos end, std::string_view cp1250);

    Pos Length() const noexcept { return static_cast<Pos>(bytes_.size()); }
    Pos LineCount() const noexcept { return static_cast<Pos>(starts_.size()); }
    // The line holding `pos`; the position after the text belongs to the last line.
    Pos LineOf(Pos pos) const noexcept;
    Pos LineStart(Pos line) const noexcept { return starts_[static_cast<std::size_t>(line)]; }
    // The end of `line`: the position of its break, or the end of the text.
    Pos LineEnd(Pos line) const noexcept;
    // The bytes of `line` without its break.
    std::string_view Line(Pos line) const noexcept;
    // The bytes of [start, end), clamped; line breaks as single '\n'.
    std::string_view Bytes(Pos start, Pos end) const noexcept;
    // [start, end) with CR LF line ends.
    std::string CrLf(Pos start, Pos end) const;
    // The byte at `pos` (0 <= pos < Length()).
    unsigned char At(Pos pos) const noexcept
    {
        return static_cast<unsigned char>(bytes_[static_cast<std::size_t>(pos)]);
    }
    // The length of the longest line, in characters.
    Pos LongestLine() const;

    struct FindOptions {
        bool MatchCase = false;
        // Bounded by characters other than letters, digits and '_' (or the text's ends).
        bool WholeWord = false;
    };
    // The first match of `what` lying wholly in [from, to) (to < 0: the end), or -1. A
    // needle holding a character that Windows-1250 cannot write matches nothing.
    Pos Find(const QString& what, Pos from, Pos to, FindOptions options) const;
    // The same for a needle already in Windows-1250, line breaks as '\n'.
    Pos FindBytes(std::string_view what, Pos from, Pos to, FindOptions options) const;

    // Whether the byte is a letter, a digit or '_' in Windows-1250.
    static bool IsWordByte(unsigned char byte) noexcept;
    // The byte of the lower-case form of the Windows-1250 character, itself when it has
    // none in Windows-1250.
    static unsigned char FoldByte(unsigned char byte) noexcept;

private:
    std::string bytes_;
    std::vector<Pos> starts_ { 0 };
    // The longest line, known while no line got shorter since it was measured.
    mutable Pos longest_ = 0;
    mutable bool longestKnown_ = true;
};

} // namespace zest::richedit
