#pragma once
// Which fields each protocol transmits, in its order and with its widths: the data that entity and
// player state deltas are read and written with.
#include <array>
#include <cstdint>
#include <span>

#include "core/demo/DemoMessage.h"

namespace core {

// One transmitted field: its identity and width. Width 0 marks a float; a negative width a signed
// integer of that many bits (sign-extended when read).
struct NetField {
    uint8_t field; // EntityField or PlayerField
    int8_t bits;
};

enum class DeltaFormat : uint8_t {
    Plain,   // protocols 43-48: one changed bit per player field, entity fields by a change mask
    Counted, // protocol 66 on: a count of the fields that follow, then changed/zero bits per field
};

struct ProtocolFieldTables {
    std::span<const NetField> entity;
    std::span<const NetField> player;
    DeltaFormat format;
    bool huffman;               // messages are Huffman-coded
    bool acknowledge;           // messages start with the reliable acknowledge
    bool snapshotClientCommand; // snapshots start with the client command sequence (43, 45)
    bool gameStateClient;       // game states end with client number and checksum feed
};

// Null for a protocol without tables.
const ProtocolFieldTables* FieldTablesFor(int protocol);

// The change masks of the plain entity delta that a 5-bit index stands for (index 31: the mask
// follows in full). Bit i of the mask (byte i / 8, bit i % 8) is field i of the entity table.
const std::array<std::array<uint8_t, 7>, 31>& PlainEntityChangeMasks();

} // namespace core
