/* Both public headers compiled as C99 with -pedantic, and their layouts as C sees them. */
#include "layout.h"

const struct kav_layout kav_layout_c[] = KAV_LAYOUT_TABLE;
const size_t kav_layout_c_count = sizeof kav_layout_c / sizeof kav_layout_c[0];
