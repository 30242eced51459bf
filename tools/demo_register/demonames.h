#pragma once
// Name pools of the demo register, in UTF-8 as they are read; the generator converts
// them to Windows-1250 once.

#include <span>
#include <string_view>

namespace zest::demo
{

struct Surname {
    std::string_view male;
    std::string_view female;
};

std::span<const Surname> Surnames();
std::span<const std::string_view> MaleNames();
std::span<const std::string_view> FemaleNames();
std::span<const std::string_view> Localities();
std::span<const std::string_view> Towns(); // post offices and commune seats
std::span<const std::string_view> Streets();
std::span<const std::string_view> Saints(); // parish patrons

} // namespace zest::demo
