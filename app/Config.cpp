#include "app/Config.h"

#include "app/Main.h"
#include "core/Global.h"
#include "core/Kvcrypt.h"
#include "gui/DBLogDlg.h"
#include "rtl/IniFiles.h"

#include <cstdint>

namespace {

// The eight material groups in array order.
const char* const ColorKeys[8] = {"Concentrat", "PromProduct", "Poroda",       "Coal",
                                  "Water",      "SourceSludge", "Discharge", "Supply"};

}  // namespace

AnsiString ColorToIniText(TColor color) {
    return "0x" + IntToHex(static_cast<long long>(static_cast<std::uint32_t>(color)), 8);
}

bool ReadColorSet(TFormMain* form, TColor* colors, TCustomIniFile* ini, const AnsiString& section) {
    (void)form;
    for (int i = 0; i < 8; ++i) {
        const AnsiString text = ini->ReadString(section, ColorKeys[i], ColorToIniText(colors[i]));
        int value = 0;
        // A value that is no number stops the walk: the colours before it are taken, the rest stay.
        if (!TryStrToInt(text, value)) return false;
        colors[i] = value;
    }
    return true;
}

bool WriteColorSet(TFormMain* form, const TColor* colors, TCustomIniFile* ini, const AnsiString& section) {
    (void)form;
    for (int i = 0; i < 8; ++i) ini->WriteString(section, ColorKeys[i], ColorToIniText(colors[i]));
    return true;
}

void SetConnectionParam(TFormMain* form, const AnsiString& key, const AnsiString& value, TSQLConnection* connection) {
    TSQLConnection* conn = connection ? connection : form->SQLConnection1;
    TStrings* params = conn->Params();
    const AnsiString line = key + "=" + value;
    // The name before "=" must be the key itself: a key that merely occurs inside another line
    // ("Name" in "DriverName=...", "Password" in a user name) must not replace that line.
    for (int i = 0; i < params->Count(); ++i) {
        if (SameText(params->Names(i), key)) {
            params->Put(i, line);
            return;
        }
    }
    params->Add(line);
}

void LoadSettings(TFormMain* form) {
    {
        TIniFile ini(form->IniFileName);
        FirstChangeStart = ini.ReadInteger("main", "FirstChangeStart", FirstChangeStart);
        DateIncrement = ini.ReadInteger("main", "DateIncrement", DateIncrement);
        ShutdownOnExit = ini.ReadBool("main", "ShutdownOnExit", ShutdownOnExit);
        form->LanClientMode = ini.ReadBool("main", "LanClientMode", form->LanClientMode);
        form->MIN_RVF = ini.ReadFloat("main", "MIN_RVF", form->MIN_RVF);
        form->UserName = ini.ReadString("MySQL", "Login", form->UserName);
        form->HostName = ini.ReadString("MySQL", "Comp", form->HostName);
        form->SavePassword = ini.ReadBool("MySQL", "SavePassword", form->SavePassword);

        if (form->SavePassword) {
            // An empty key keeps the built-in password; a text that is no scrambled password is
            // a value that cannot be read and leaves the password as it was.
            const AnsiString stored = ini.ReadString("MySQL", "Password", "");
            if (!stored.IsEmpty()) {
                const AnsiString password = UnscrambleText(stored);
                if (!password.IsEmpty()) form->Password = password;
            }
        } else {
            // Cancel leaves both as they were; either way the connections try what there is.
            LoginDialog("Vestra", form->UserName, form->Password);
        }

        ReadColorSet(form, form->OnColors, &ini, "OnColors");
        ReadColorSet(form, form->OffColors, &ini, "OffColors");

        TCriticalSectionLock lock(form->SharedTextLock);
        form->StateFlags[6] = ini.ReadBool("PUF", "PUF_master_flag", form->StateFlags[6]);
        form->PufComPort = ini.ReadString("PUF", "PUF_COM_port", form->PufComPort);
        form->PufComSpeed = ini.ReadInteger("PUF", "PUF_COM_speed", form->PufComSpeed);
        form->PufLanEnabled = ini.ReadBool("PUF", "PUF_Link_enable_LAN", form->PufLanEnabled);
        form->PufIP = ini.ReadString("PUF", "PUF_Link_IP", form->PufIP);
        form->V120ComPort = ini.ReadString("V120", "COM_port", form->V120ComPort);
        // The Vision section keeps its baud rate under the PUF key's name; stored files rely on it.
        form->V120ComSpeed = ini.ReadInteger("V120", "PUF_COM_speed", form->V120ComSpeed);
        form->PKN_UnitID = ini.ReadInteger("V120", "PKN_UnitID", form->PKN_UnitID);
        form->PUG_UnitID = ini.ReadInteger("V120", "PUG_UnitID", form->PUG_UnitID);
    }

    SetConnectionParam(form, "HostName", form->HostName);
    SetConnectionParam(form, "User_Name", form->UserName);
    SetConnectionParam(form, "Password", form->Password);
    // From here on the four connections reach the same server, database, user and password.
    for (TSQLConnection* c : {form->SQLConnectionUser, form->SQLConnectionPUF_Link, form->SQLConnectionV120_Link})
        c->Params()->Assign(form->SQLConnection1->Params());
}

void SaveSettings(TFormMain* form) {
    TIniFile ini(form->IniFileName);
    ini.WriteBool("main", "ShutdownOnExit", ShutdownOnExit);
    ini.WriteBool("main", "LanClientMode", form->LanClientMode);
    ini.WriteInteger("main", "FirstChangeStart", FirstChangeStart);
    ini.WriteInteger("main", "DateIncrement", DateIncrement);
    ini.WriteFloat("main", "MIN_RVF", form->MIN_RVF);
    ini.WriteString("MySQL", "Login", form->UserName);
    ini.WriteString("MySQL", "Comp", form->HostName);
    ini.WriteBool("MySQL", "SavePassword", form->SavePassword);
    if (form->SavePassword) {
        // With no password to save, the stored one stays as it is.
        if (!form->Password.IsEmpty()) ini.WriteString("MySQL", "Password", ScrambleText(form->Password));
    } else {
        ini.WriteString("MySQL", "Password", "");
    }

    WriteColorSet(form, form->OnColors, &ini, "OnColors");
    WriteColorSet(form, form->OffColors, &ini, "OffColors");

    TCriticalSectionLock lock(form->SharedTextLock);
    ini.WriteBool("PUF", "PUF_master_flag", form->StateFlags[6]);
    ini.WriteString("PUF", "PUF_COM_port", form->PufComPort);
    ini.WriteInteger("PUF", "PUF_COM_speed", form->PufComSpeed);
    ini.WriteBool("PUF", "PUF_Link_enable_LAN", form->PufLanEnabled);
    ini.WriteString("PUF", "PUF_Link_IP", form->PufIP);
    ini.WriteString("V120", "COM_port", form->V120ComPort);
    ini.WriteInteger("V120", "PUF_COM_speed", form->V120ComSpeed);
    ini.WriteInteger("V120", "PKN_UnitID", form->PKN_UnitID);
    ini.WriteInteger("V120", "PUG_UnitID", form->PUG_UnitID);
}
