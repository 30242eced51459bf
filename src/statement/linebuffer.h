#pragma once
// The lines of the subject being reported. The header block and the holdings table
// only add lines; the statement run alone clears the buffer or flushes it, and the
// flush writes the lines only when the marked area reaches the threshold.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zest
{

class StatementFile;

// The area threshold and the running sum of the subject being reported, in square
// metres. The sum is kept in 64 bits: the marked land of one large subject can pass
// 2^31 m², and a wrapped sum would drop or keep the wrong statements.
struct AreaState {
    std::int32_t AreaThreshold = 10000;
    std::int64_t SelectedAreaSum = 0;

    bool ThresholdReached() const noexcept { return SelectedAreaSum >= AreaThreshold; }
};

enum EmitMode : int {
    EmitClear = 0,
    EmitAdd = 1,
    EmitFlush = 2,
};

class LineBuffer
{
public:
    explicit LineBuffer(AreaState& area)
        : area_(&area)
    {
    }

    // The file that a flush writes to; none outside a statement run.
    void SetStatementFile(StatementFile* file) noexcept { file_ = file; }

    // 0 clears, 1 adds `text` as one line, 2 flushes through the threshold test;
    // any other mode does nothing. A failed write throws and keeps the lines that
    // were not written.
    void EmitLine(std::string_view text, int mode);
    // The flush of EmitLine: true when lines were written.
    bool Flush();

    const std::vector<std::string>& lines() const noexcept { return lines_; }
    bool empty() const noexcept { return lines_.empty(); }

private:
    AreaState* area_;
    StatementFile* file_ = nullptr;
    std::vector<std::string> lines_;
};

} // namespace zest
