// The tray tip cut: the text the shell gets must fit its 64-byte field and
// must not end in half a double-byte character.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>

#include "check.h"
#include "doll/placement.h"
#include "mbcs.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    int maxBytes = in.ConsumeBool() ? 63 : in.ConsumeIntegralInRange<int>(-2, 300);
    std::string name = in.ConsumeRemainingBytesAsString();
    std::string text = "Kelmora      \n" + std::string(name.c_str());

    std::string tip = static_cast<const char*>(FitTrayTip(text.c_str(), maxBytes));
    size_t n = text.size();
    long long room = maxBytes < 0 ? 0 : maxBytes;
    CHECK(static_cast<long long>(tip.size()) <= room);
    CHECK(text.compare(0, tip.size(), tip) == 0);
    // Whole characters only (a lead byte at the end is half of one), and no
    // shorter than it must be.
    size_t i = 0;
    while (i < tip.size())
        i += Lead936(static_cast<unsigned char>(tip[i])) ? 2 : 1;
    CHECK(i == tip.size());
    if (tip.size() < n) {
        size_t next = Lead936(static_cast<unsigned char>(text[tip.size()])) ? 2 : 1;
        CHECK(static_cast<long long>(tip.size() + next) > room || tip.size() + next > n);
    }
    if (maxBytes == 63) {
        char field[64];
        memcpy(field, tip.c_str(), tip.size() + 1);
        CHECK(strlen(field) == tip.size());
    }
    return 0;
}
