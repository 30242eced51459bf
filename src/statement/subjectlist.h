#pragma once
// The subject list dsPODMIOTY: the rows of one list statement, read from its cursor as
// they are needed (what the grid has shown, what the statement run has walked through)
// and kept, with a current row that the grid shows and the statement run reads.
//
// The list never keeps a part of its result as if it were all of it: when a fetch
// fails, or the cursor was closed under the list (its transaction ended), the list
// closes itself and the error goes to the caller.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "subjectrow.h"

namespace zest
{

namespace fb
{
class Query;
class Transaction;
} // namespace fb

// What a view over the list is told, in the order a Qt item model needs it.
class SubjectListObserver
{
public:
    virtual ~SubjectListObserver() = default;
    // The whole content is replaced (open, close).
    virtual void ListAboutToBeReset() = 0;
    virtual void ListReset() = 0;
    // Rows first..last (inclusive) are about to be added at the end.
    virtual void RowsAboutToBeAppended(int first, int last) = 0;
    virtual void RowsAppended() = 0;
    // The current row moved (-1: none).
    virtual void CurrentRowChanged(int row) = 0;
};

// A subject as the register knows it (id_PDM with its kind letter), not by its place in
// a list: the same list read again, after a lost connection or for a run, may hold other
// rows before it, or no longer hold it.
struct SubjectKey {
    std::int32_t Id = 0;
    char Kind = '\0';
    bool operator==(const SubjectKey&) const = default;
};

class SubjectList : public SubjectRow
{
public:
    using Cell = std::optional<std::string>; // null, or the value as text (numbers in decimal)

    static constexpr int DefaultFetchBatch = 256;

    SubjectList();
    ~SubjectList() override;
    SubjectList(const SubjectList&) = delete;
    SubjectList& operator=(const SubjectList&) = delete;

    // One observer at a time; nullptr to detach.
    void SetObserver(SubjectListObserver* observer) noexcept { observer_ = observer; }

    // Rows read from the cursor at a time when the list needs more (at least 1).
    void SetFetchBatch(int rows) noexcept { batch_ = rows < 1 ? 1 : rows; }
    int FetchBatch() const noexcept { return batch_; }

    // Closes the list, prepares the statement (without its plan when the server
    // refuses the plan), executes it and reads the first batch; the current row is
    // the first one. Throws the database error and stays closed on failure.
    void Open(fb::Transaction& tr, std::string_view sql);
    // Drops the rows and the cursor. Never throws.
    void Close() noexcept;
    bool IsOpen() const noexcept { return query_ != nullptr; }
    // The statement as prepared (without the plan when it had to go); empty when closed.
    const std::string& Sql() const noexcept { return sql_; }

    // Columns as the select list names them.
    int ColumnCount() const noexcept { return static_cast<int>(columns_.size()); }
    const std::string& ColumnName(int column) const { return columns_.at(column); }
    // Index of a column by name without regard to case, or -1.
    int ColumnIndex(std::string_view name) const noexcept;

    // Rows read so far.
    int RowCount() const noexcept { return static_cast<int>(rows_.size()); }
    // The cursor has delivered its last row (a closed list has nothing more either).
    bool AllFetched() const noexcept { return !IsOpen() || ended_; }
    // Reads up to `rows` further rows; returns how many came. Throws (and closes the
    // list) when the fetch fails.
    int FetchMore(int rows);
    void FetchAll();
    const Cell& At(int row, int column) const { return rows_.at(row).at(column); }

    // The cursor of the statement run: First(), then Next() until Eof().
    // First: the first row; Eof at once when the list is empty.
    void First();
    // The next row, read from the cursor when needed; after the last row Eof() is
    // true and the current row stays on the last one.
    void Next();
    bool Eof() const noexcept { return eof_; }
    // The current row (-1 when the list is closed or empty).
    int Current() const noexcept { return current_; }
    // Makes `row` current, reading up to it when needed. False when the list has no
    // such row (nothing changes then).
    bool SetCurrent(int row);

    // The subject of the current row; none when the list is closed or empty.
    std::optional<SubjectKey> CurrentKey() const;
    // The first row of this subject, reading on as far as needed; -1 when the list does
    // not hold it. Throws as FetchMore does.
    int FindRow(const SubjectKey& key);

    // The current row's columns by name, without regard to case: a null reads as 0 or
    // as the empty text; an empty list reads as nulls. An unknown column, or reading a
    // closed list, throws fb::UsageError.
    std::int32_t Integer(std::string_view column) const override;
    std::string Text(std::string_view column) const override;
    // A copy of the current row that stays when the list moves on.
    std::unique_ptr<SubjectRow> HoldCurrent() const;

    // The first byte of the text (the kind letter of typ, the sex letter of plec), 0 when empty.
    char Letter(std::string_view column) const;

private:
    const Cell* CurrentCell(std::string_view column) const;
    void MoveTo(int row);

    std::unique_ptr<fb::Query> query_;
    std::string sql_;
    std::vector<std::string> columns_;
    mutable HeldSubjectRow::Columns heldColumns_; // columns_ shared by the held rows
    std::vector<std::vector<Cell>> rows_;
    SubjectListObserver* observer_ = nullptr;
    int batch_ = DefaultFetchBatch;
    int current_ = -1;
    bool ended_ = true;
    bool eof_ = true;
};

} // namespace zest
