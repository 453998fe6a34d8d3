#include "sound/Eff_Base.h"

#include "platform/framework/Published.h"

namespace {

// An effect's parameters are public fields its editing panel reads and writes; of the
// effect itself only the ID is published, to be read.
const bool effectPublished = RegisterPublishedClass(
    "TSndEffectBase", "TComponent", {ReadOnlyProperty("ID", IntegerType("ShortInt"), &TSndEffectBase::ID)});

} // namespace

TSndEffectBase::TSndEffectBase(TComponent* owner) : TComponent(owner) {}
