// Exported functions of the kav messages listed in kav_reports.def.
#include "messages/export.hpp"

#define KAV_MSG(name, Type, form) KAV_MESSAGE(kav, name, Type, form)
#include "messages/kav_reports.def"
