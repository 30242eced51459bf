// Address lines and parcel identifiers from register columns, which hold whatever
// was typed into them.

#include "statement/holdingstext.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void CheckAddress(FuzzedDataProvider& in)
{
    zest::AddressRecord a;
    for (std::string* field : { &a.KOD, &a.PCZ, &a.MSC, &a.ULC, &a.GMN, &a.NRA, &a.NAZ })
        *field = in.ConsumeRandomLengthString(48);
    a.TAR = in.ConsumeBool() ? zest::FreeTextAddress : in.ConsumeIntegral<std::int32_t>();
    const std::string premises = in.ConsumeRandomLengthString(16);

    const std::vector<std::string> lines = zest::BuildAddressLines(a, premises);
    for (const std::string& l : lines)
        Check(!l.empty());
    if (a.TAR != zest::FreeTextAddress) {
        Check(lines.size() <= 2);
        return;
    }
    // A free-text address keeps its text, less the separators, in order.
    std::string kept;
    for (const char c : a.NAZ)
        if (c != ';' && c != '\r' && c != '\n')
            kept += c;
    std::string joined;
    for (const std::string& l : lines) {
        Check(l.find_first_of(";\r\n") == std::string::npos);
        joined += l;
    }
    Check(joined == kept);
}

void CheckParcelId(FuzzedDataProvider& in)
{
    const std::string id = in.ConsumeRandomLengthString(256);
    const std::string oldSheet = in.ConsumeRandomLengthString(8);
    std::string number = id;
    std::string sheet = oldSheet;
    zest::SplitParcelId(number, sheet);

    const std::size_t dot = id.find('.');
    if (dot == std::string::npos) {
        Check(number == id && sheet == oldSheet);
        return;
    }
    Check(number.size() <= 100);
    Check(sheet.find('.') == std::string::npos);
    const std::string rejoined = sheet + "." + number;
    Check(id.compare(0, rejoined.size(), rejoined) == 0);
    Check(number.size() == 100 || rejoined.size() == id.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        CheckAddress(in);
    else
        CheckParcelId(in);
    return 0;
}
