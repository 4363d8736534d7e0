/* The capture file that libkav_trace.so writes and `kav decode --capture`, kav.read_capture and
 * the Wireshark dissector read.
 *
 * A capture is a pcapng file. Each process that traces appends one section of its own: a Section
 * Header Block, then one Interface Description Block (link type KAV_CAPTURE_LINKTYPE, timestamps
 * in nanoseconds since the epoch, if_tsresol 9, snap length KAV_CAPTURE_SNAPLEN), then one
 * Enhanced Packet Block per record. Every block is written by a single write(2) to a file opened
 * with O_APPEND, so records of concurrent threads and processes never interleave, and a process
 * that dies leaves every block it wrote complete.
 *
 * A record's packet data is a KAV_CAPTURE_HEADER_SIZE-byte header, little-endian, then the
 * message bytes exactly as they were sent or received:
 *
 *   offset size  field
 *        0    1  version     KAV_CAPTURE_VERSION
 *        1    1  direction   KAV_CAPTURE_SEND, KAV_CAPTURE_RECV or KAV_CAPTURE_NOTE
 *        2    2  flags       KAV_CAPTURE_HAS_TARGET | KAV_CAPTURE_NULL_DATA | KAV_CAPTURE_HAS_RESULT
 *        4    4  pid         process id
 *        8    4  tid         thread id (gettid)
 *       12    4  dest        send: the destination passed to the messaging library; recv, note: 0
 *       16    8  target      MESH_SendToMsg's target when KAV_CAPTURE_HAS_TARGET, else 0
 *       24    4  msgid       the entry's MsgId; note: 0
 *       28    4  length      the entry's length as passed (recv: the length handed to the unpack
 *                            hook, its 32 bits; a negative length is recorded with no bytes)
 *       32    4  result      send: the messaging library's result (KAV_CAPTURE_HAS_RESULT); else 0
 *       36    4  entry       send: the entry's index within its call; else 0
 *       40    4  count       send: the call's entry count; else 1
 *       44    4  reserved    0
 *       48       the message bytes (note: UTF-8 text)
 *
 * A message longer than the snap length leaves fewer bytes than `length`: the block's captured
 * length is smaller than its original length, and readers report the record as truncated. A record
 * without bytes (a null data pointer, flagged KAV_CAPTURE_NULL_DATA, or a negative recv length) has
 * captured and original length both KAV_CAPTURE_HEADER_SIZE.
 * A send record is written after the messaging library returns (it carries the result); a recv
 * record is written before the program's unpack hook runs (it survives a crash in the hook). With
 * a library that delivers synchronously, a message's recv record therefore precedes its send
 * record in the file; the timestamps (taken on entry) keep their true order.
 *
 * When the file reaches KAV_TRACE_MAX_BYTES the library writes one note record saying so and
 * records nothing more.
 */
#ifndef KAV_CAPTURE_H
#define KAV_CAPTURE_H

#define KAV_CAPTURE_LINKTYPE 147u /* LINKTYPE_USER0 */
#define KAV_CAPTURE_SNAPLEN 262144u
#define KAV_CAPTURE_HEADER_SIZE 48u
#define KAV_CAPTURE_VERSION 1u

#define KAV_CAPTURE_SEND 0u
#define KAV_CAPTURE_RECV 1u
#define KAV_CAPTURE_NOTE 2u

#define KAV_CAPTURE_HAS_TARGET 0x1u /* MESH_SendToMsg */
#define KAV_CAPTURE_NULL_DATA 0x2u  /* the entry's data pointer was null: no bytes follow */
#define KAV_CAPTURE_HAS_RESULT 0x4u /* result holds the messaging library's result */

/* Environment of a traced process. */
#define KAV_TRACE_FILE_ENV "KAV_TRACE_FILE"           /* where to append; default kav-trace.<pid>.pcapng */
#define KAV_TRACE_MESSAGES_ENV "KAV_TRACE_MESSAGES"   /* comma-separated names; default every message */
#define KAV_TRACE_MAX_BYTES_ENV "KAV_TRACE_MAX_BYTES" /* stop once the file holds this many bytes */

#endif
