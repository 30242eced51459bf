#pragma once
// What the text window over a byte store shows, without the window: the Windows-1250
// bytes with their line index, the pictures embedded in them, the text limit and the
// history of the user's edits. Every change of the text goes through here, so that the
// pictures move with it and the history always knows the text under it. The selection
// and everything on the screen belong to the window.
//
// A picture is one character of the text, held as a blank byte: it prints as a blank
// and a search never matches across it. It has no byte when the text goes out.

#include "richedit/edithistory.h"
#include "richedit/richeditwindow.h"
#include "richedit/richole.h"
#include "richedit/textstore.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QImage;

namespace zest::richedit
{

// The characters [Start, End).
struct TextRange {
    Position Start = 0;
    Position End = 0;
};

class TextDocument
{
public:
    struct Object {
        Position At = 0;
        std::shared_ptr<ImageObject> Picture;
    };

    TextDocument() = default;
    TextDocument(const TextDocument&) = delete;
    TextDocument& operator=(const TextDocument&) = delete;

    const TextStore& Store() const noexcept { return store_; }
    Position Length() const noexcept { return store_.Length(); }

    Position Limit() const noexcept { return limit_; }
    // Clamped to [0, DefaultTextLimit].
    void SetLimit(Position limit) noexcept;
    // Whether the text stays within the limit when `inserted` characters take the place
    // of `replaced`.
    bool Fits(Position replaced, Position inserted) const noexcept;
    // The same, throwing TextLimitError when it does not.
    void RequireFits(Position replaced, Position inserted) const;
    // How many characters the bytes become in the text: a CR LF is one.
    static Position CharactersOf(std::string_view cp1250) noexcept;

    // The container's side of the pictures: their storage, consent to each, and their
    // deletion (without a callback a picture taken out is closed unsaved).
    IRichEditOleCallback* Callback() const noexcept { return callback_.get(); }
    void SetCallback(std::shared_ptr<IRichEditOleCallback> callback) noexcept { callback_ = std::move(callback); }

    // The bytes (any line ends) in place of the whole text; every picture goes and the
    // history is forgotten.
    void Assign(std::string_view cp1250);
    // [start, end), clamped, replaced by the bytes (any line ends): pictures inside the
    // range go, those after it move. The history is forgotten, since the text under it
    // moved. Returns the position after the inserted characters.
    Position Replace(Position start, Position end, std::string_view cp1250);
    // The same as the user's edit, remembered for undo; an edit that takes out a
    // picture ends the history, since the picture is closed and cannot come back.
    Position UserReplace(Position start, Position end, std::string_view cp1250);
    // `image` as a picture in place of [start, end), storage and consent asked of the
    // callback; false when refused (or for a null image). The history is forgotten.
    // Throws TextLimitError when the text would exceed the limit.
    bool InsertPicture(const QImage& image, Position start, Position end);

    bool CanUndo() const noexcept { return history_.CanUndo(); }
    bool CanRedo() const noexcept { return history_.CanRedo(); }
    // Takes back the last edit, or does again the last one taken back, and returns the
    // characters it put back; nothing when there was none, or when the text limit does
    // not allow it (the text and the history then stay as they were).
    std::optional<TextRange> Undo();
    std::optional<TextRange> Redo();

    // The pictures in the order of the text; the first at or after `pos`; the one at
    // `pos` (nothing when that character is no picture).
    const std::vector<Object>& Objects() const noexcept { return objects_; }
    std::vector<Object>::const_iterator ObjectsFrom(Position pos) const;
    const Object* ObjectAt(Position pos) const;

    // [start, end) with CR LF line ends; pictures have no byte and are left out.
    std::string CrLf(Position start, Position end) const;
    // The first match lying wholly in [from, to) (to < 0: the end) that covers no
    // picture, or -1; see TextStore::Find.
    Position Find(const QString& what, Position from, Position to, TextStore::FindOptions options) const;

private:
    // Replace that keeps the history, for the history's own edits.
    Position Apply(Position start, Position end, std::string_view cp1250);
    std::optional<TextRange> Swap(Position at, const std::string& from, const std::string& to);
    // The pictures of [start, end), out of the list.
    std::vector<Object> TakeObjects(Position start, Position end);
    // Pictures taken out, deleted through the callback.
    void Delete(const std::vector<Object>& gone);

    TextStore store_;
    std::vector<Object> objects_; // by position
    EditHistory history_;
    Position limit_ = DefaultTextLimit;
    std::shared_ptr<IRichEditOleCallback> callback_;
};

} // namespace zest::richedit
