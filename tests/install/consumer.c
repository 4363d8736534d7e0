/* A C program built against an installed libkav with nothing but pkg-config's flags. */
#include <stdio.h>
#include <string.h>

#include "kav.h"
#include "kav_sync.h"

int main(void) {
    kav_host_update list;
    kav_host hosts[2];
    uint8_t buf[512];
    uint32_t len = sizeof buf;
    kav_host_update back;

    memset(hosts, 0, sizeof hosts);
    hosts[0].field0 = 7;
    hosts[1].field13[5] = 9;
    list.field0 = 1;
    list.n_field1 = 2;
    list.field1 = hosts;
    if (kav_host_update__pack(&list, buf, &len) != 0) return 1;
    if (kav_host_update__unpack(buf, len, &back) != sizeof back) return 2;
    if (back.field1 == NULL || back.n_field1 != 2 || back.field1[0].field0 != 7 || back.field1[1].field13[5] != 9)
        return 3;
    kav_host_update_free__unpacked(&back);
    if (kav_sync_recv_init() != 0 || kav_recv_init() != 0) return 4;
    printf("installed consumer: %u bytes packed and read back\n", len);
    return 0;
}
