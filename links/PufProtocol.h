// The flotation controller's (PUF) line protocol and its two transports.
//
// A request is one line: five blanks, "PUF1:", the command (with a colon appended when it holds
// none), a checksum "<XXXX>" over everything after the blanks, and CR. An answer holds the command
// word directly followed by "_OK:", the payload, optionally one colon, and at its end the checksum of
// the text before it; the word directly followed by "_Error:" is the controller's refusal. A payload
// may hold "<" and "_Error:" as text (a log message). The frames go over the serial link ICPLinkPUF or
// over TCP through WinSockClient, as TFormMain::PufOverTcp says; after repeated failures the worker
// thread may switch between the two (PufTransportDecision).
//
// The wire carries Windows-1251: commands are converted on the way out, payloads on the way in.
// Everything here runs on the PUF worker thread, one exchange at a time.
#pragma once

#include "rtl/AnsiString.h"

class TFormMain;
class TWinSockClient;

// "<" + four upper-case hexadecimal digits of the byte sum of text (wrapping at 65,536) + ">".
AnsiString PufFrameChecksum(const AnsiString& text);
// The request frame of a command, without its CR (wire bytes).
AnsiString PufRequestFrame(const AnsiString& command);

// How one received line answers a command word.
enum class TPufAnswerKind {
    Payload,   // an accepted answer: payload holds it ("OK" when it was empty)
    Failure,   // a refusal, a malformed answer or a wrong checksum: the read ends at once
    Other,     // empty, or a line for something else: the read goes on
};
// Checks one line (wire bytes, untrimmed) against the command word. The word counts only where it
// is directly followed by "_OK:" (or "_Error:"), so an answer to "GetLogRecCount" is never taken for
// "GetLogRec", and a refusal of another word is not this one's. The checksum is the last "<XXXX>" of
// the line. The payload stays in wire bytes.
TPufAnswerKind PufParseAnswer(const AnsiString& line, const AnsiString& word, AnsiString& payload);

// Hands the frame of command to the current transport; false when the transport is not ready or the
// serial write failed. Counts TFormMain::PufQueryCount on success.
bool PufSendCommand(TFormMain* form, const AnsiString& command);
// Reads the answer to the command word for up to four seconds: the payload (UTF-8), "OK" for an
// empty payload, or empty on any failure.
AnsiString PufReadAnswer(TFormMain* form, const AnsiString& word);
// One query of 200 ms over the TCP client after discarding what waits: true when a non-empty answer
// (trimmed) arrived.
bool WinSockTransaction(TWinSockClient* client, const AnsiString& request, AnsiString& answer,
                        const AnsiString& wanted, bool raw);
// Made at the start of every cycle: from the eleventh counted failure on, the transport flips when
// the LAN link is enabled, the streak starts again, and the TCP client is connected or disconnected
// to match.
void PufTransportDecision(TFormMain* form);

// Creates the main window's two PUF link components with their stored settings: ICPLinkPUF (port
// "COM1", 9600 baud, timing file "comport.ini") and WinSockClient (127.0.0.1:7777, 3 tries, query
// "GetTimeA", connect handler WinSockClientConnectStatus).
void CreatePufLinkComponents(TFormMain* form);
