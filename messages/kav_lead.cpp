// Exported functions of the kav messages listed in kav_lead.def.
#include "messages/export.hpp"

#define KAV_MSG(name, Type, form) KAV_EXPORTS(kav, name, Type)
#include "messages/kav_lead.def"
