// Exported functions of the kav_sync messages.
#include "messages/export.hpp"

#define KAV_MSG(name, Type, form) KAV_EXPORTS(kav_sync, name, Type)
#include "messages/kav_sync.def"
