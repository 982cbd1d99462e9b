#pragma once
// A file over a serial connection by Kermit: any data bits; an abort writes
// five CR and five BS characters; the download receives without notices.
#include "Brindle/SerialTransfer.h"

namespace Brindle {

class KermitTransfer : public SerialTransfer {
public:
    static constexpr Automation::ClassInfo classInfo{"{6C9EB034-8D5F-41A7-C4E3-A0F2517D9C8B}",
                                                     "Brindle.KermitTransfer",
                                                     "{7DAFC145-9E60-42B8-D5F4-B103628EAD9C}"};
    KermitTransfer();
    // The same object as ITransfer's ProgressObject.
    Automation::Ref<Gaugely::Progress> ITransfer_ProgressObject() { return ProgressObject(); }
};

} // namespace Brindle
