/* Packs, unpacks and sends a kav_host_update through the loopback messaging library, printing
 * what the library logs and what the loopback delivers.
 *
 * Build against installed packages (libkav-dev, libkav-loopback-dev) or an installed tree:
 *   cc -std=c99 kav_example.c $(pkg-config --cflags --libs kav-loopback) -o kav_example
 * kav.pc exports RVX_OsalLogWrite from the program, which is how the library finds it. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <kav.h>
#include <kav_osal.h>
#include <varelmesh_control.h>

/* The library's log writer: it calls this for each failure it reports. */
void RVX_OsalLogWrite(const SerialLogModule* mod, uint32_t level, uint32_t code, const char* file, uint32_t line,
                      const char* func, const char* fmt, ...) {
  va_list args;
  (void)file;
  (void)line;
  printf("  library log (%s, level %u, code %u) %s: ", mod->module_name, (unsigned)level, (unsigned)code, func);
  va_start(args, fmt);
  vprintf(fmt, args);
  va_end(args);
  printf("\n");
}

static void print_hosts(const char* indent, const kav_host_update* m) {
  uint32_t i;
  printf("%sfield0 %u, %u hosts\n", indent, (unsigned)m->field0, (unsigned)m->n_field1);
  for (i = 0; m->field1 != NULL && i < m->n_field1; ++i) {
    const kav_host* h = &m->field1[i];
    printf("%s  host %u: field0 %u, field3 %u, field7[0..3] %u.%u.%u.%u, field13[5] %u\n", indent, (unsigned)i,
           (unsigned)h->field0, (unsigned)h->field3, h->field7[0], h->field7[1], h->field7[2], h->field7[3],
           h->field13[5]);
  }
}

/* Called by the loopback for each delivered message, with what the registered unpack produced. */
static void on_delivery(uint32_t msg_id, const void* unpacked, uint32_t size, void* ctx) {
  (void)ctx;
  printf("delivered: MsgId 0x%08x, unpacked size %u\n", (unsigned)msg_id, (unsigned)size);
  print_hosts("  ", (const kav_host_update*)unpacked);
}

int main(void) {
  static const uint8_t addr[2][4] = {{10, 0, 0, 1}, {10, 0, 0, 2}};
  kav_host hosts[2];
  kav_host_update msg;
  kav_host_update back;
  uint8_t* buf;
  uint8_t* again;
  uint32_t size = 0xFFFFFFFFu;
  uint32_t len;
  uint32_t again_len;
  uint32_t result;
  int i;
  int same;

  memset(hosts, 0, sizeof hosts);
  for (i = 0; i < 2; ++i) {
    hosts[i].field0 = (uint32_t)(100 + i);
    hosts[i].field3 = (uint16_t)(8080 + i);
    memcpy(hosts[i].field7, addr[i], sizeof addr[i]);
    hosts[i].field13[5] = (uint8_t)(0x10 + i);
  }
  memset(&msg, 0, sizeof msg);
  msg.field0 = 7;
  msg.n_field1 = 2;
  msg.field1 = hosts;

  /* A null buffer with a large capacity asks for the size; the library logs that query. */
  printf("size query:\n");
  result = kav_host_update__pack(&msg, NULL, &size);
  printf("  result %u, size %u\n", (unsigned)result, (unsigned)size);

  buf = malloc(size);
  again = malloc(size);
  if (buf == NULL || again == NULL) return 1;
  len = size;
  result = kav_host_update__pack(&msg, buf, &len);
  printf("pack: result %u, %u bytes\n", (unsigned)result, (unsigned)len);

  /* Unpack into a cleared structure, then pack what came back: same bytes, same message. */
  memset(&back, 0, sizeof back);
  result = kav_host_update__unpack(buf, len, &back);
  printf("unpack: result %u\n", (unsigned)result);
  print_hosts("  ", &back);
  again_len = size;
  same = kav_host_update__pack(&back, again, &again_len) == 0 && again_len == len && memcmp(buf, again, len) == 0;
  printf("compare: %s\n", same ? "packing the unpacked message gives the same bytes" : "DIFFERENT");
  kav_host_update_free__unpacked(&back);
  printf("free: item array %s\n", back.field1 == NULL ? "released" : "still attached");
  free(again);
  free(buf);

  /* Through the loopback: register the unpack and free hooks, send, watch the delivery. */
  vmesh_set_receiver(on_delivery, NULL);
  printf("kav_recv_init: %u\n", (unsigned)kav_recv_init());
  result = kav_host_update__sendmsg(1, &msg, 1);
  printf("sendmsg: result %u, %u send call(s), %u delivery(ies)\n", (unsigned)result, (unsigned)vmesh_send_count(),
         (unsigned)vmesh_delivery_count());
  printf("sendmsg with count 0: result 0x%08x, %u send call(s)\n", (unsigned)kav_host_update__sendmsg(1, &msg, 0),
         (unsigned)vmesh_send_count());
  return same ? 0 : 2;
}
