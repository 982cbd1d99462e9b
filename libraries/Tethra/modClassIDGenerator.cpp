#include "Tethra/modClassIDGenerator.h"

#include "automation/Collection.h"

namespace Tethra::modClassIDGenerator {

int32_t NextInstanceID(std::string_view ClassName) {
    // One counter per class name, without regard to case; the program has one thread.
    static Automation::Collection<int32_t> counters;
    if (!counters.Exists(ClassName)) {
        counters.Add(1, ClassName);
        return 1;
    }
    int32_t& last = counters.Item(ClassName);
    if (last < INT32_MAX)
        ++last;
    return last;
}

} // namespace Tethra::modClassIDGenerator
