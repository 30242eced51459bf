#pragma once
// The page setup the printable text control keeps: margins (kept in step in twips),
// the page header, and the contents list that divides the text into printed sections
// and remembers the page on which each entry started.

#include "richedit/richeditwindow.h"

#include <QFont>
#include <QString>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace zest::richedit
{

enum TMeasurementUnits : int {
    muInches = 0, // a margin counts thousandths of an inch
    muMillimeters = 1, // a margin counts whole millimetres
};

// Twips of one margin value: thousandths of an inch truncate, millimetres round to the
// nearest twip (halves away from zero).
std::int32_t MarginToTwips(std::int32_t value, TMeasurementUnits units) noexcept;

class TMargin
{
public:
    // The four margins in twips. A change of units leaves them alone; they follow the
    // values again on the next write of a margin.
    const richedit::TwipsRect& TwipsRect() const noexcept { return twips_; }

    std::int32_t Left() const noexcept { return left_; }
    std::int32_t Top() const noexcept { return top_; }
    std::int32_t Right() const noexcept { return right_; }
    std::int32_t Bottom() const noexcept { return bottom_; }
    TMeasurementUnits Units() const noexcept { return units_; }

    // Nothing is checked: negative or oversized margins are kept as given.
    void SetLeft(std::int32_t value) noexcept;
    void SetTop(std::int32_t value) noexcept;
    void SetRight(std::int32_t value) noexcept;
    void SetBottom(std::int32_t value) noexcept;
    // Converts the four values to `units` (truncating); the same unit changes nothing.
    void SetUnits(TMeasurementUnits units) noexcept;

private:
    void UpdateTwips() noexcept;

    richedit::TwipsRect twips_;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t right_ = 0;
    std::int32_t bottom_ = 0;
    TMeasurementUnits units_ = muMillimeters;
};

// The page header: a title at the left, the page number at the right and a rule under
// both; or, with CenteredNumber, only "- N -" in the middle.
struct TNaglowek {
    bool Linia = true;
    QString Tytul;
    QFont Font;
    // Page number 1 gets no header, and its text starts where the header would be.
    bool SkipFirstPage = false;
    bool CenteredNumber = false;
};

struct TSpisEntry {
    // Longest Text kept; longer texts are cut to it when stored in the list.
    static constexpr qsizetype TextCapacity = 200;

    bool NewPage = false; // begins a new printed section
    std::int32_t Level = 1; // 1 (main heading) to 9
    QString Text;
    Position StartPos = 0; // first character of the entry's range
    Position EndPos = 0; // last character of the entry's range
    std::int32_t Page = 0; // page on which StartPos was printed; 0 until then
};

class TSpis
{
public:
    QFont Font; // of the contents page
    // Text rectangle of the last print in twips, relative to the printable area.
    richedit::TwipsRect PrintArea;
    // Each section after the first starts at its entry's StartPos rather than where the
    // previous section stopped.
    bool SectionRestart = false;

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // Both throw std::out_of_range for an index outside 0..Count()-1, changing nothing.
    TSpisEntry Get(int index) const;
    void Put(int index, const TSpisEntry& entry);
    // Appends a copy; returns its index.
    int Add(const TSpisEntry& entry);
    void Clear() noexcept { items_.clear(); }

private:
    void CheckIndex(int index) const;

    std::vector<TSpisEntry> items_;
};

} // namespace zest::richedit
