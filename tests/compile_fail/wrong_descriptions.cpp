// Descriptions the catalogue must refuse to build, one per KAV_CASE; case 0 is the same record
// described correctly, so a failure of the others is the check and not the harness.
#include "messages/catalogue.hpp"

struct probe {
  uint32_t field0;
  uint32_t field1;
  uint16_t field2;
};

#if KAV_CASE == 1  // a member left out of the layout
KAV_RECORD(probe, 2, in_place);
KAV_PIN_SIZE(probe, 12, 32);
#elif KAV_CASE == 2  // a wrong stated size
KAV_RECORD(probe, 3, in_place);
KAV_PIN_SIZE(probe, 16, 32);
#elif KAV_CASE == 3  // a wrong stated fixed length
KAV_RECORD(probe, 3, in_place);
KAV_PIN_SIZE(probe, 12, 40);
#else
KAV_RECORD(probe, 3, in_place);
KAV_PIN_SIZE(probe, 12, 32);
#endif
