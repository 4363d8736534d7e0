/* Both public headers compiled as C99 with -pedantic, and their layouts as C sees them. */
#include "layout.h"

const struct kav_layout kav_layout_c[] = KAV_LAYOUT_TABLE;
const size_t kav_layout_c_count = sizeof kav_layout_c / sizeof kav_layout_c[0];

/* The macro that declares a message's entry points agrees with the declarations the headers spell
   out: a C compiler refuses a redeclaration of a function with another type. */
KAV_MESSAGES(KAV_DECLARE_MESSAGE)
KAV_SYNC_MESSAGES(KAV_DECLARE_MESSAGE)
