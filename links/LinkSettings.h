// The link settings that the operator changes in the consoles while the link threads read them, and
// the one lock that guards them.
//
// The main window holds one set (it inherits this, through both link faces), loaded from and saved to
// the configuration file. A thread takes port and speed when it opens its port, the PUF thread the LAN
// switch and address at its transport decision, the Vision thread the unit ids at every poll and
// writes the hydrosizer's minute key; the consoles write them from the GUI thread. Every access to a
// field here, from any thread, holds SharedTextLock; nothing else is under it.
#pragma once

#include "rtl/AnsiString.h"
#include "sys/Threads.h"

#include <cstdint>

struct TLinkSettings {
    TCriticalSection SharedTextLock;

    // PUF link (flotation controller).
    AnsiString PufComPort = "COM1";
    std::int32_t PufComSpeed = 38400;
    bool PufLanEnabled = false;  // the link may switch to TCP
    AnsiString PufIP = "192.168.3.1";

    // Vision link (belt scales and hydrosizer).
    AnsiString V120ComPort = "COM2";
    std::int32_t V120ComSpeed = 57600;
    std::int32_t PKN_UnitID = 1;  // unit id of the belt-scale controller
    std::int32_t PUG_UnitID = 2;  // unit id of the hydrosizer controller
    // Minute key of the last hydrosizer history row.
    AnsiString PugMinuteKey = "0000-00-00 00:00:00:00";
};
