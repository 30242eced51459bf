#pragma once
// Precinct names, loaded after every successful connection and looked up by the
// holdings table for its precinct headings.
//
// The table holds every row of OBREBY, however many: a register with more than a
// thousand precincts keeps all their names rather than dropping the ones beyond.

#include <cstdint>
#include <string>
#include <vector>

namespace zest
{

class PrecinctTable
{
public:
    struct Slot {
        std::int32_t Id = 0;
        std::string Name;
    };

    void Clear() noexcept { slots_.clear(); }
    void Add(std::int32_t id, std::string name) { slots_.push_back({ id, std::move(name) }); }
    int Count() const noexcept { return static_cast<int>(slots_.size()); }
    const std::vector<Slot>& Slots() const noexcept { return slots_; }

    // The name of the first slot with this id, in load order; empty when none has it.
    const std::string& Lookup(std::int32_t id) const noexcept;

private:
    std::vector<Slot> slots_;
};

} // namespace zest
