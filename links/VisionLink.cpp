#include "links/VisionLink.h"

#include "gui/WinApi.h"
#include "rtl/SysUtils.h"

#include <cstring>

namespace {

// The send buffer of one frame, carriage return included.
constexpr int kSendBufferSize = 100;
// A reply longer than this is no reply of a controller.
constexpr int kMaxReplyLength = 900;
// A reply must be complete this long after the read began.
constexpr uint32_t kReplyTimeoutMs = 1000;

// Command letters at the head of a command line: the 32-bit commands have three.
int CommandLength(const AnsiString& commandLine) {
    const AnsiString head = commandLine.SubString(1, 3);
    return (head == "RNL" || head == "SNL") ? 3 : 2;
}

}  // namespace

TVisionLink::TVisionLink(TComponent* owner)
    : TSerialCommandLink(owner, "COM1", 57600),
      emulBits_(std::make_unique<TStringList>()),
      emulInts_(std::make_unique<TStringList>()),
      emulLongs_(std::make_unique<TStringList>()) {
    UpdateQueryString();
}

bool TVisionLink::ConnectToPort(int speed) {
    if (!canConnect(speed)) return false;
    if (!port_.Open(PortName(), speed)) {
        switch (port_.Failure()) {
            case sfGetState: ErrMessage(MsgGetState); break;
            case sfSetState:
            case sfBadBaud: ErrMessage(MsgSetState); break;
            default: ErrMessage(MsgCannotOpen); break;
        }
        return false;
    }
    // One byte waits at most 30 + 100 ms; a quiet line after the first byte ends a read after 50 ms.
    TCommTimeouts t;
    t.ReadIntervalTimeout = 50;
    t.ReadTotalTimeoutMultiplier = 30;
    t.ReadTotalTimeoutConstant = 100;
    t.WriteTotalTimeoutMultiplier = 50;
    t.WriteTotalTimeoutConstant = 100;
    port_.SetTimeouts(t);
    port_.Purge(true, false);
    return true;
}

bool TVisionLink::SendString(const AnsiString& text) {
    if (!active_) return false;
    // The frame and its carriage return must fit the send buffer; a longer one is never sent in part.
    if (text.Length() > kSendBufferSize - 1) {
        ErrMessage(MsgSendFailed);
        return false;
    }
    char buffer[kSendBufferSize];
    std::memcpy(buffer, text.data(), static_cast<std::size_t>(text.Length()));
    buffer[text.Length()] = '\r';
    const int length = text.Length() + 1;

    // Purging again after the write drops a late reply to an earlier frame that came in meanwhile.
    port_.Purge(true, false);
    const int written = port_.Write(buffer, length);
    if (written < 0) checkDevice();
    if (port_.IsOpen()) port_.Purge(true, false);
    sendCounter_.fetch_add(1);

    if (written == length) {
        SetStatus("Send() OK");
        return true;
    }
    ErrMessage(MsgSendFailed);
    return false;
}

AnsiString TVisionLink::ReciveString() {
    if (!port_.IsOpen()) return AnsiString();
    const uint32_t start = GetTickCount();
    std::string line;
    for (;;) {
        char c = 0;
        const int got = port_.Read(&c, 1);
        if (got < 0) {
            // The device went away: no reply can come any more.
            ErrMessage(MsgReceiveFailed);
            checkDevice();
            return AnsiString();
        }
        if (got == 1) {
            if (c == '\r') {
                resultStr_ = AnsiString(std::move(line));
                SetStatus("Recive() OK");
                return resultStr_;
            }
            line.push_back(c);
            if (static_cast<int>(line.size()) > kMaxReplyLength) {
                ErrMessage(MsgTooLong);
                return AnsiString();
            }
        }
        if (static_cast<uint32_t>(GetTickCount() - start) > kReplyTimeoutMs) {
            ErrMessage(MsgReceiveFailed);
            return AnsiString();
        }
    }
}

AnsiString TVisionLink::CalcCRC(const AnsiString& text) {
    unsigned sum = 0;
    for (unsigned char c : text.str()) sum += c;
    return IntToHex(sum % 256, 2);
}

void TVisionLink::UpdateQueryString() {
    const AnsiString unit = IntToHex(unitId_, 2);
    crc_ = CalcCRC(unit + commandLine_);
    queryString_ = stx_ + unit + commandLine_ + crc_;
}

bool TVisionLink::GetQueryRez(AnsiString& answer) {
    // What the reply must repeat, taken from the frame that goes out.
    const AnsiString sentUnit = queryString_.SubString(stx_.Length() + 1, 2);
    const AnsiString sentCommand = queryString_.SubString(stx_.Length() + 3, 3);

    if (!SendCommand(answer)) return false;
    if (answer.Length() < stx1_.Length() + 4) {
        SetStatus("Answer too short.");
        return false;
    }
    if (answer.SubString(1, stx1_.Length()) != stx1_) {
        SetStatus("STX1 is missing in answer.");
        return false;
    }
    answer.Delete(1, stx1_.Length());
    const AnsiString received = answer.SubString(answer.Length() - 1, 2);
    answer.SetLength(answer.Length() - 2);
    if (received != CalcCRC(answer)) {
        SetStatus("CRC check error.");
        return false;
    }
    // A reply of another unit or to another command (a late one that slipped past the purge) must
    // not be taken for this one's data. Controllers echo the 32-bit commands with two or three letters.
    int head = 4;
    bool matches = answer.SubString(1, 2) == sentUnit;
    if (matches && answer.Length() >= 4) {
        matches = answer.SubString(3, 2) == sentCommand.SubString(1, 2);
        if (matches && CommandLength(sentCommand) == 3 && answer.Length() >= 5 && answer[5] == 'L') head = 5;
    }
    if (!matches) {
        SetStatus("Wrong unit or command in answer.");
        return false;
    }
    answer.Delete(1, head);
    return true;
}

bool TVisionLink::checkOperands(int address, int count) {
    // Wider numbers would come out with more hex digits and shift every field of the frame.
    if (unitId_ < 0 || unitId_ > 255) {
        SetStatus("Unit id out of range.");
        return false;
    }
    if (address < 0 || address > 65535 || count < 1 || count > 255) {
        SetStatus("Operand out of range.");
        return false;
    }
    return true;
}

bool TVisionLink::sendAndCheck(const AnsiString& commandLine, AnsiString& data) {
    SetCommandLine(commandLine);
    return GetQueryRez(data);
}

int TVisionLink::emulRead(const TStringList* list, int index) {
    if (index >= list->Count()) return 0;
    return StrToIntDef(Trim(list->Get(index)), 0);
}

void TVisionLink::emulWrite(TStringList* list, int index, long long value) {
    while (list->Count() <= index) list->Add("0");
    list->Put(index, IntToStr(value));
}

bool TVisionLink::GetBitArray(int address, int count, bool* bits) {
    if (!checkOperands(address, count)) return false;
    if (emulFlag_) {
        for (int k = 0; k < count; ++k) bits[k] = emulRead(emulBits_.get(), address + k) != 0;
        return true;
    }
    AnsiString data;
    if (!sendAndCheck("RB" + IntToHex(address, 4) + IntToHex(count, 2), data)) return false;
    if (data.Length() < count) return false;
    for (int k = 0; k < count; ++k) bits[k] = data[k + 1] == '1';
    return true;
}

bool TVisionLink::SetBitArray(int address, int count, const bool* bits) {
    if (!checkOperands(address, count)) return false;
    if (emulFlag_) {
        for (int k = 0; k < count; ++k) emulWrite(emulBits_.get(), address + k, bits[k] ? 1 : 0);
        return true;
    }
    AnsiString line = "SB" + IntToHex(address, 4) + IntToHex(count, 2);
    for (int k = 0; k < count; ++k) line += bits[k] ? '1' : '0';
    AnsiString data;
    return sendAndCheck(line, data);
}

bool TVisionLink::GetIntArray(int address, int count, int* values, bool isLong) {
    if (!checkOperands(address, count)) return false;
    if (emulFlag_) {
        const TStringList* list = isLong ? emulLongs_.get() : emulInts_.get();
        for (int k = 0; k < count; ++k) values[k] = emulRead(list, address + k);
        return true;
    }
    const int width = isLong ? 8 : 4;
    AnsiString data;
    if (!sendAndCheck((isLong ? "RNL" : "RW") + IntToHex(address, 4) + IntToHex(count, 2), data)) return false;
    if (data.Length() < count * width) return false;
    for (int k = 0; k < count; ++k) {
        int v = 0;
        if (!TryStrToInt("0x" + data.SubString(1 + k * width, width), v)) {
            MessageBeep(0xFFFFFFFF);
            SetStatus("Int convert error.");
            return false;
        }
        values[k] = v;
    }
    return true;
}

bool TVisionLink::SetIntArray(int address, int count, const int* values, bool isLong) {
    if (!checkOperands(address, count)) return false;
    if (!isLong) {
        for (int k = 0; k < count; ++k) {
            if (values[k] < 0 || values[k] > 65535) {
                SetStatus("Operand out of range.");
                return false;
            }
        }
    }
    if (emulFlag_) {
        TStringList* list = isLong ? emulLongs_.get() : emulInts_.get();
        for (int k = 0; k < count; ++k) emulWrite(list, address + k, values[k]);
        return true;
    }
    AnsiString line = (isLong ? "SNL" : "SW") + IntToHex(address, 4) + IntToHex(count, 2);
    for (int k = 0; k < count; ++k) {
        // A negative 32-bit value goes out as its two's complement in eight digits.
        line += isLong ? IntToHex(static_cast<uint32_t>(values[k]), 8) : IntToHex(values[k], 4);
    }
    AnsiString data;
    return sendAndCheck(line, data);
}

// ---- properties ----

void TVisionLink::SetQueryString(const AnsiString& value) {
    queryString_ = value;
    sended_ = false;
}

void TVisionLink::SetSended(bool value) {
    if (value) {
        sended_ = SendString(queryString_);
        recived_ = false;
    } else {
        sended_ = false;
    }
}

void TVisionLink::SetRecived(bool value) {
    if (value) {
        const int errorsBefore = errorCounter_.load();
        ReciveString();
        recived_ = port_.IsOpen() && errorCounter_.load() == errorsBefore;
    } else {
        recived_ = false;
    }
}

void TVisionLink::SetCommandLine(const AnsiString& value) {
    if (value != commandLine_) commandLine_ = value;
    UpdateQueryString();
}

void TVisionLink::SetUnitID(int value) {
    if (value != unitId_) unitId_ = value;
    UpdateQueryString();
}

void TVisionLink::SetEmulBitArray(TStrings* value) {
    if (value != emulBits_.get()) emulBits_->Assign(value);
}

void TVisionLink::SetEmulIntArray(TStrings* value) {
    if (value != emulInts_.get()) emulInts_->Assign(value);
}

void TVisionLink::SetEmulLongArray(TStrings* value) {
    if (value != emulLongs_.get()) emulLongs_->Assign(value);
}
