#pragma once
// The resources of a UFF flash file, in file order: at most one kernel, which
// is always the first item and has the key "KERN", then ROM-disk resources
// keyed by their names in the printer (keys compare without regard to case).
#include <cstdint>
#include <string>
#include <string_view>

#include "Chunkery/Resource.h"
#include "automation/Collection.h"
#include "automation/Object.h"

namespace Chunkery {

// Error number of the library's own errors.
inline constexpr int32_t ChunkeryError = 30001;

class Resources : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{A17C3E95-6B28-4F04-9D61-E83F2B5A7C10}",
                                                     "Chunkery.Resources",
                                                     "{2E9D5B46-C013-47A8-B5F2-91D4A6E3C878}"};

    Resources() { items_.setErrorSource("Chunkery"); }

    // sSource is a file path, or with bSourceIsData the resource's bytes as
    // text. A failing Add adds nothing.
    Automation::Ref<Resource> Add(const std::string& sSource, const std::string& sNameInPrinter,
                                  bool bSourceIsData, std::string_view strDevice = "c:");
    Automation::Ref<Resource> Item(int32_t index) const { return items_.Item(index); }
    Automation::Ref<Resource> Item(std::string_view key) const { return items_.Item(key); }
    bool Exists(std::string_view key) const { return items_.Exists(key); }
    int32_t count() const { return items_.Count(); }
    void Remove(int32_t index) { remove(items_.Item(index)); }
    void Remove(std::string_view key) { remove(items_.Item(key)); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Gives a ROM-disk resource its size (name, its zero byte and data); a
    // kernel image's data is its chunk as it is.
    void CreateWhat(Resource& objRes);

private:
    void remove(const Automation::Ref<Resource>& item);

    Automation::Collection<Automation::Ref<Resource>> items_;
    bool hasKernel_ = false;
};

} // namespace Chunkery
