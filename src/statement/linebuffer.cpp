#include "linebuffer.h"

#include "statementfile.h"

namespace zest
{

void LineBuffer::EmitLine(std::string_view text, int mode)
{
    switch (mode) {
    case EmitClear:
        lines_.clear();
        break;
    case EmitAdd:
        lines_.emplace_back(text);
        break;
    case EmitFlush:
        Flush();
        break;
    default:
        break;
    }
}

bool LineBuffer::Flush()
{
    bool wrote = false;
    if (area_->ThresholdReached() && !lines_.empty()) {
        if (!file_ || !file_->IsOpen())
            throw FileError("No statement file is open");
        std::size_t written = 0;
        try {
            file_->WriteLines(lines_, written);
        } catch (...) {
            lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(written));
            throw;
        }
        wrote = true;
    }
    lines_.clear();
    return wrote;
}

} // namespace zest
