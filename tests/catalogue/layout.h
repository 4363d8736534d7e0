/* One entry per structure (its size) and per member (its size and offset) of the public headers,
 * from the generated member list. c99_layout.c expands it with the C compiler, layout_test.cpp
 * with the C++ compiler. */
#ifndef KAV_TEST_LAYOUT_H
#define KAV_TEST_LAYOUT_H
#include <stddef.h>

#include "kav.h"
#include "kav_members.h"
#include "kav_sync.h"

struct kav_layout {
  const char *type, *member;
  size_t size, offset;
};
#define KAV_LAYOUT_S(T) {#T, "", sizeof(T), 0},
#define KAV_LAYOUT_M(T, m) {#T, #m, sizeof(((T*)0)->m), offsetof(T, m)},
#define KAV_LAYOUT_TABLE \
  { KAV_STRUCTS(KAV_LAYOUT_S, KAV_LAYOUT_M) }
#endif
