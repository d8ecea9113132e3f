#pragma once
// Which fields each protocol transmits, in its order and with its widths: the data that entity and
// player state deltas are read and written with.
#include <array>
#include <cstdint>
#include <span>

#include "core/protocol/StateFields.h"

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
};

// The tables of each family of protocols; core/protocol/ProtocolTable says which protocol has
// which.
extern const ProtocolFieldTables kFieldTables117;
extern const ProtocolFieldTables kFieldTables127;
extern const ProtocolFieldTables kFieldTables132;
extern const ProtocolFieldTables kFieldTablesQuakeLive73;
extern const ProtocolFieldTables kFieldTablesQuakeLive90;
extern const ProtocolFieldTables kFieldTablesQuakeLive91;

// The change masks of the plain entity delta that a 5-bit index stands for (index 31: the mask
// follows in full). Bit i of the mask (byte i / 8, bit i % 8) is field i of the entity table.
const std::array<std::array<uint8_t, 7>, 31>& PlainEntityChangeMasks();

} // namespace core
