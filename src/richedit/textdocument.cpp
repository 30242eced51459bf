// The text, its pictures, its limit and its undo history, without a window.
#include "richedit/textdocument.h"

#include <QImage>
#include <algorithm>
#include <iterator>

namespace zest::richedit
{

namespace
{

// What a picture is held as: a blank, so that it prints and matches as one.
constexpr char ObjectByte = ' ';

} // namespace

void TextDocument::SetLimit(Position limit) noexcept
{
    limit_ = std::clamp<Position>(limit, 0, DefaultTextLimit);
}

bool TextDocument::Fits(Position replaced, Position inserted) const noexcept
{
    return Length() - replaced + inserted <= limit_;
}

void TextDocument::RequireFits(Position replaced, Position inserted) const
{
    if (!Fits(replaced, inserted))
        throw TextLimitError("The text would exceed the limit of " + std::to_string(limit_) + " characters");
}

Position TextDocument::CharactersOf(std::string_view cp1250) noexcept
{
    auto characters = static_cast<Position>(cp1250.size());
    for (std::size_t cr = cp1250.find("\r\n"); cr != std::string_view::npos; cr = cp1250.find("\r\n", cr + 2))
        --characters;
    return characters;
}

void TextDocument::Assign(std::string_view cp1250)
{
    history_.Forget();
    Delete(TakeObjects(0, Length()));
    store_.Assign(cp1250);
}

Position TextDocument::Replace(Position start, Position end, std::string_view cp1250)
{
    history_.Forget();
    return Apply(start, end, cp1250);
}

Position TextDocument::UserReplace(Position start, Position end, std::string_view cp1250)
{
    start = std::clamp<Position>(start, 0, Length());
    end = std::clamp<Position>(end, start, Length());
    const auto object = ObjectsFrom(start);
    const bool dropsObject = object != objects_.end() && object->At < end;
    std::string removed(store_.Bytes(start, end));
    const Position after = Apply(start, end, cp1250);
    if (dropsObject)
        history_.Forget();
    else
        history_.Remember(EditHistory::Edit { start, std::move(removed), std::string(store_.Bytes(start, after)) });
    return after;
}

bool TextDocument::InsertPicture(const QImage& image, Position start, Position end)
{
    if (image.isNull())
        return false;
    start = std::clamp<Position>(start, 0, Length());
    end = std::clamp<Position>(end, start, Length());
    RequireFits(end - start, 1);
    auto picture = NewPictureObject(image, callback_.get(), start);
    if (!picture)
        return false;
    Replace(start, end, std::string_view(&ObjectByte, 1));
    objects_.insert(ObjectsFrom(start), Object { start, std::move(picture) });
    return true;
}

std::optional<TextRange> TextDocument::Undo()
{
    const EditHistory::Edit* edit = history_.ToUndo();
    if (!edit)
        return std::nullopt;
    const auto range = Swap(edit->At, edit->Inserted, edit->Removed);
    if (range)
        history_.Undone();
    return range;
}

std::optional<TextRange> TextDocument::Redo()
{
    const EditHistory::Edit* edit = history_.ToRedo();
    if (!edit)
        return std::nullopt;
    const auto range = Swap(edit->At, edit->Removed, edit->Inserted);
    if (range)
        history_.Redone();
    return range;
}

std::vector<TextDocument::Object>::const_iterator TextDocument::ObjectsFrom(Position pos) const
{
    return std::lower_bound(
        objects_.begin(), objects_.end(), pos, [](const Object& o, Position at) { return o.At < at; });
}

const TextDocument::Object* TextDocument::ObjectAt(Position pos) const
{
    const auto found = ObjectsFrom(pos);
    return found != objects_.end() && found->At == pos ? &*found : nullptr;
}

std::string TextDocument::CrLf(Position start, Position end) const
{
    // Pictures have no byte: the text between them goes out piece by piece.
    auto object = ObjectsFrom(start);
    if (object == objects_.end() || object->At >= end)
        return store_.CrLf(start, end);
    std::string bytes;
    for (; object != objects_.end() && object->At < end; ++object) {
        bytes += store_.CrLf(start, object->At);
        start = object->At + 1;
    }
    bytes += store_.CrLf(start, end);
    return bytes;
}

Position TextDocument::Find(const QString& what, Position from, Position to, TextStore::FindOptions options) const
{
    for (Position at = store_.Find(what, from, to, options); at >= 0; at = store_.Find(what, at + 1, to, options)) {
        const auto object = ObjectsFrom(at);
        if (object == objects_.end() || object->At >= at + what.size())
            return at;
    }
    return -1;
}

Position TextDocument::Apply(Position start, Position end, std::string_view cp1250)
{
    start = std::clamp<Position>(start, 0, Length());
    end = std::clamp<Position>(end, start, Length());
    const Position removed = end - start;
    const Position inserted = store_.Replace(start, end, cp1250);

    // Pictures inside the range go; those after it move with the text.
    const std::vector<Object> gone = TakeObjects(start, end);
    for (auto after = objects_.begin() + (ObjectsFrom(start) - objects_.cbegin()); after != objects_.end(); ++after)
        after->At += inserted - removed;
    Delete(gone);
    return start + inserted;
}

std::optional<TextRange> TextDocument::Swap(Position at, const std::string& from, const std::string& to)
{
    const auto removed = static_cast<Position>(from.size());
    const auto inserted = static_cast<Position>(to.size());
    if (!Fits(removed, inserted))
        return std::nullopt;
    Apply(at, at + removed, to);
    return TextRange { at, at + inserted };
}

std::vector<TextDocument::Object> TextDocument::TakeObjects(Position start, Position end)
{
    const auto first = objects_.begin() + (ObjectsFrom(start) - objects_.cbegin());
    auto last = first;
    while (last != objects_.end() && last->At < end)
        ++last;
    std::vector<Object> taken(std::make_move_iterator(first), std::make_move_iterator(last));
    objects_.erase(first, last);
    return taken;
}

void TextDocument::Delete(const std::vector<Object>& gone)
{
    for (const Object& o : gone) {
        if (callback_)
            callback_->DeleteObject(o.Picture.get());
        else
            o.Picture->Close(OLECLOSE_NOSAVE);
    }
}

} // namespace zest::richedit
