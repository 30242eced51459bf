#include "richedit/pagesetup.h"

#include <string>

namespace zest::richedit
{

namespace
{

// value × numerator / denominator rounded to the nearest integer, halves away from zero.
std::int32_t MulDivRound(std::int64_t value, std::int64_t numerator, std::int64_t denominator) noexcept
{
    const std::int64_t product = value * numerator;
    const std::int64_t magnitude = (product < 0 ? -product : product) + denominator / 2;
    const std::int64_t quotient = magnitude / denominator;
    return static_cast<std::int32_t>(product < 0 ? -quotient : quotient);
}

std::int32_t MulDivTrunc(std::int64_t value, std::int64_t numerator, std::int64_t denominator) noexcept
{
    return static_cast<std::int32_t>(value * numerator / denominator);
}

} // namespace

std::int32_t MarginToTwips(std::int32_t value, TMeasurementUnits units) noexcept
{
    if (units == muInches)
        return MulDivTrunc(value, 1440, 1000);
    return MulDivRound(value, 14400, 254);
}

void TMargin::SetLeft(std::int32_t value) noexcept
{
    left_ = value;
    UpdateTwips();
}

void TMargin::SetTop(std::int32_t value) noexcept
{
    top_ = value;
    UpdateTwips();
}

void TMargin::SetRight(std::int32_t value) noexcept
{
    right_ = value;
    UpdateTwips();
}

void TMargin::SetBottom(std::int32_t value) noexcept
{
    bottom_ = value;
    UpdateTwips();
}

void TMargin::SetUnits(TMeasurementUnits units) noexcept
{
    if (units == units_)
        return;
    const auto convert = [units](std::int32_t v) {
        return units == muMillimeters ? MulDivTrunc(v, 254, 10000) : MulDivTrunc(v, 10000, 254);
    };
    left_ = convert(left_);
    top_ = convert(top_);
    right_ = convert(right_);
    bottom_ = convert(bottom_);
    units_ = units;
}

void TMargin::UpdateTwips() noexcept
{
    twips_ = { MarginToTwips(left_, units_), MarginToTwips(top_, units_), MarginToTwips(right_, units_),
        MarginToTwips(bottom_, units_) };
}

TSpisEntry TSpis::Get(int index) const
{
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)];
}

void TSpis::Put(int index, const TSpisEntry& entry)
{
    CheckIndex(index);
    auto& slot = items_[static_cast<std::size_t>(index)];
    slot = entry;
    slot.Text.truncate(TSpisEntry::TextCapacity);
}

int TSpis::Add(const TSpisEntry& entry)
{
    items_.push_back(entry);
    items_.back().Text.truncate(TSpisEntry::TextCapacity);
    return Count() - 1;
}

void TSpis::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace zest::richedit
