// Parses arbitrary lines as printer error messages: a line is either taken
// or refused with 101, and a refused line leaves the fields as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Brindle/RubricError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto error = Automation::New<Brindle::RubricError>();
    error->SetRBErrorMsg("Error 7 in line 3: kept");
    try {
        error->SetRBErrorMsg(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const Automation::Error& e) {
        if (e.Number() != 101 || error->Number() != 7 || error->Line() != 3 || error->Description() != "kept")
            std::abort();
    }
    return 0;
}
