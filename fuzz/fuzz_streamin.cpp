// Arbitrary bytes streamed into the printable text control, as the preview loads a
// statement file: the whole text first, then a second piece in place of a selection
// (an append when the selection is empty at the end). What streams out must be the
// bytes streamed in with every line end (CR LF, CR, LF) made CR LF, at the places the
// selection named; positions count a line break as one character.
//
// Input: two bytes of selection start, two of selection length, one of flags, then
// the first text and the second text, split at the first "\x00\xFF" pair (no pair:
// the whole rest is the first text).

#include "richedit/oleriche.h"

#include <QApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace
{

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// The text as the control holds it: one entry per character, '\n' for a line break.
std::vector<char> Held(std::string_view bytes)
{
    std::vector<char> held;
    held.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            held.push_back('\n');
        } else {
            held.push_back(c);
        }
    }
    return held;
}

std::string Streamed(const std::vector<char>& held, std::size_t first, std::size_t last)
{
    std::string out;
    for (std::size_t i = first; i < last; ++i) {
        if (held[i] == '\n')
            out += "\r\n";
        else
            out += held[i];
    }
    return out;
}

QApplication* app = nullptr;
zest::richedit::TOLEEdit* edit = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app = new QApplication(*argc, *argv);
    edit = new zest::richedit::TOLEEdit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    const std::size_t selStart = data[0] | data[1] << 8;
    const std::size_t selLength = data[2] | data[3] << 8;
    const std::uint8_t flags = data[4];
    const std::string_view rest(reinterpret_cast<const char*>(data) + 5, size - 5);
    const std::size_t cut = rest.find(std::string_view("\0\xFF", 2));
    const std::string_view first = rest.substr(0, cut);
    const std::string_view second = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 2);

    zest::richedit::RichEditWindow& w = edit->Window();
    w.SetTextLimit(zest::richedit::LoadTextLimit);
    w.StreamIn(first, false);
    std::vector<char> held = Held(first);
    const auto length = static_cast<zest::richedit::Position>(held.size());
    Check(w.TextLength() == length);
    Check(w.SelStart() == length && w.SelLength() == 0);
    Check(w.StreamOut(false) == Streamed(held, 0, held.size()));

    // A selection clamped to the text, or the empty one at the end.
    const std::size_t start = (flags & 1) ? held.size() : std::min(selStart, held.size());
    const std::size_t count = (flags & 1) ? 0 : std::min(selLength, held.size() - start);
    w.SetSelection(static_cast<zest::richedit::Position>(start), static_cast<zest::richedit::Position>(count));
    Check(w.SelStart() == static_cast<zest::richedit::Position>(start));
    Check(w.SelLength() == static_cast<zest::richedit::Position>(count));
    Check(w.StreamOut(true) == Streamed(held, start, start + count));

    w.StreamIn(second, true);
    const std::vector<char> inserted = Held(second);
    held.erase(
        held.begin() + static_cast<std::ptrdiff_t>(start), held.begin() + static_cast<std::ptrdiff_t>(start + count));
    held.insert(held.begin() + static_cast<std::ptrdiff_t>(start), inserted.begin(), inserted.end());
    Check(w.TextLength() == static_cast<zest::richedit::Position>(held.size()));
    Check(w.SelStart() == static_cast<zest::richedit::Position>(start + inserted.size()));
    Check(w.SelLength() == 0);
    Check(w.StreamOut(false) == Streamed(held, 0, held.size()));

    if (flags & 2)
        edit->Clear();
    return 0;
}
