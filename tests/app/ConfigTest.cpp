// The configuration file: first start, stored and unstored passwords, colour texts, the link
// sections, the login dialog and the connection parameters.
#include "app/Config.h"

#include "AppTestSupport.h"

#include "app/Main.h"
#include "gui/DBLogDlg.h"
#include "rtl/IniFiles.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using apptest::ReadFile;
using apptest::WriteFile;

// ---- Loading and saving --------------------------------------------------------------------------

class ConfigTest : public apptest::StationTest {
protected:
    void TearDown() override {
        delete form;
        form = nullptr;
        StationTest::TearDown();
    }
    TFormMain* Make() {
        form = new TFormMain(nullptr);
        return form;
    }
    TFormMain* form = nullptr;
};

TEST_F(ConfigTest, FirstStartAsksForTheLoginAndTheExitWritesEverySection) {
    guitest::ModalDriver modal;
    AnsiString shownUser;
    modal.Then([&](TCustomForm* f) {
        auto* dlg = dynamic_cast<TLoginDialog*>(f);
        ASSERT_NE(dlg, nullptr);
        shownUser = dlg->UserName->Text();
        EXPECT_EQ(dlg->Caption(), "Database Login");
        f->SetModalResult(mrCancel);
    });
    Make();
    EXPECT_EQ(modal.Shown(), 1);
    EXPECT_EQ(shownUser, "root");
    // Cancel keeps the built-in login.
    EXPECT_EQ(form->UserName, "root");
    EXPECT_EQ(form->Password, "52806");

    SaveSettings(form);
    TIniFile ini(IniPath());
    TStringList sections;
    ini.ReadSections(&sections);
    for (const char* s : {"main", "MySQL", "OnColors", "OffColors", "PUF", "V120"})
        EXPECT_GE(sections.IndexOf(s), 0) << s;
    EXPECT_EQ(ini.ReadString("MySQL", "SavePassword", "?"), "0");
    EXPECT_TRUE(ini.ValueExists("MySQL", "Password"));
    EXPECT_EQ(ini.ReadString("MySQL", "Password", "?"), "");
    EXPECT_EQ(ini.ReadString("MySQL", "Login", ""), "root");
    EXPECT_EQ(ini.ReadString("MySQL", "Comp", ""), "127.0.0.1");
    EXPECT_EQ(ini.ReadString("OnColors", "Concentrat", ""), "0x00800080");
    EXPECT_EQ(ini.ReadString("OffColors", "Water", ""), "0x00000000");
    EXPECT_EQ(ini.ReadString("main", "FirstChangeStart", ""), "7");
    EXPECT_EQ(ini.ReadString("main", "MIN_RVF", ""), "1");
    EXPECT_EQ(ini.ReadString("PUF", "PUF_COM_speed", ""), "38400");
    EXPECT_EQ(ini.ReadString("V120", "PUF_COM_speed", ""), "57600");
    EXPECT_EQ(ini.ReadString("PUF", "PUF_Link_IP", ""), "192.168.3.1");
}

TEST_F(ConfigTest, LoginDialogOkTakesUserAndPassword) {
    WriteFile(IniPath(), "[MySQL]\r\nLogin=operator\r\n");
    guitest::ModalDriver modal;
    modal.Then([](TCustomForm* f) {
        auto* dlg = dynamic_cast<TLoginDialog*>(f);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->UserName->Text(), "operator");
        // A user name is known: the password box has the focus.
        EXPECT_EQ(f->ActiveControl(), dlg->Password);
        dlg->UserName->SetText("chief");
        dlg->Password->SetText("s3cret");
        f->SetModalResult(mrOk);
    });
    Make();
    EXPECT_EQ(form->UserName, "chief");
    EXPECT_EQ(form->Password, "s3cret");
    EXPECT_NE(form->SQLConnection1->Params()->IndexOf("Password=s3cret"), -1);
    EXPECT_NE(form->SQLConnectionV120_Link->Params()->IndexOf("User_Name=chief"), -1);
}

TEST_F(ConfigTest, StoredPasswordFlagWithAnEmptyKeyUsesTheBuiltInPasswordWithoutDialog) {
    WriteFile(IniPath(), "[MySQL]\r\nSavePassword=1\r\nPassword=\r\n");
    guitest::ModalDriver modal;
    Make();
    EXPECT_EQ(modal.Shown(), 0);
    EXPECT_EQ(form->Password, "52806");
    // Saving with the flag set and a password stores it scrambled; an empty one leaves the key.
    form->Password = "secret12";
    SaveSettings(form);
    const AnsiString stored = TIniFile(IniPath()).ReadString("MySQL", "Password", "");
    EXPECT_EQ(stored.Length(), 82);
    form->Password = "";
    SaveSettings(form);
    EXPECT_EQ(TIniFile(IniPath()).ReadString("MySQL", "Password", ""), stored);
    // And it loads back.
    delete form;
    form = nullptr;
    Make();
    EXPECT_EQ(form->Password, "secret12");
    EXPECT_TRUE(form->SavePassword);
}

TEST_F(ConfigTest, AStoredTextThatIsNoScrambledPasswordKeepsTheBuiltInOne) {
    WriteFile(IniPath(), "[MySQL]\r\nSavePassword=1\r\nPassword=plain\r\n");
    Make();
    EXPECT_EQ(form->Password, "52806");
}

TEST_F(ConfigTest, EveryKeyLoadsIntoItsFieldAndSavesBack) {
    WriteFile(IniPath(),
              "[main]\r\nFirstChangeStart=8\r\nDateIncrement=-1\r\nShutdownOnExit=1\r\nLanClientMode=1\r\n"
              "MIN_RVF=2,5\r\n"
              "[MySQL]\r\nLogin=op\r\nComp=10.0.0.5:3307\r\nSavePassword=1\r\n"
              "[PUF]\r\nPUF_master_flag=1\r\nPUF_COM_port=COM3\r\nPUF_COM_speed=19200\r\n"
              "PUF_Link_enable_LAN=1\r\nPUF_Link_IP=10.0.0.9\r\n"
              "[V120]\r\nCOM_port=/dev/ttyUSB0\r\nPUF_COM_speed=9600\r\nPKN_UnitID=5\r\nPUG_UnitID=6\r\n");
    Make();
    EXPECT_EQ(FirstChangeStart, 8);
    EXPECT_EQ(DateIncrement, -1);
    EXPECT_TRUE(ShutdownOnExit);
    EXPECT_TRUE(form->LanClientMode);
    EXPECT_DOUBLE_EQ(form->MIN_RVF, 2.5);
    EXPECT_EQ(form->UserName, "op");
    EXPECT_EQ(form->HostName, "10.0.0.5:3307");
    EXPECT_TRUE(form->StateFlags[6]);
    EXPECT_EQ(form->PufComPort, "COM3");
    EXPECT_EQ(form->PufComSpeed, 19200);
    EXPECT_TRUE(form->PufLanEnabled);
    EXPECT_EQ(form->PufIP, "10.0.0.9");
    EXPECT_EQ(form->V120ComPort, "/dev/ttyUSB0");
    // The Vision baud rate lives under the PUF key's name in its own section.
    EXPECT_EQ(form->V120ComSpeed, 9600);
    EXPECT_EQ(form->PKN_UnitID, 5);
    EXPECT_EQ(form->PUG_UnitID, 6);
    // Every connection got the server and the login.
    for (TSQLConnection* c : {form->SQLConnection1, form->SQLConnectionUser, form->SQLConnectionPUF_Link,
                              form->SQLConnectionV120_Link}) {
        EXPECT_EQ(c->Params()->Values("HostName"), "10.0.0.5:3307") << c->Name();
        EXPECT_EQ(c->Params()->Values("User_Name"), "op");
        EXPECT_EQ(c->Params()->Values("Password"), "52806");
        EXPECT_EQ(c->Params()->Values("Database"), "vestra");
    }

    // The constructor took ShutdownOnExit back to false before loading; loading set it again.
    form->MIN_RVF = 0.75;
    form->V120ComSpeed = 115200;
    SaveSettings(form);
    TIniFile ini(IniPath());
    // The locale's number format, as stored files have it.
    EXPECT_EQ(ini.ReadString("main", "MIN_RVF", ""), "0,75");
    EXPECT_EQ(ini.ReadString("V120", "PUF_COM_speed", ""), "115200");
    EXPECT_FALSE(ini.ValueExists("V120", "V120_COM_speed"));
    EXPECT_EQ(ini.ReadString("PUF", "PUF_COM_speed", ""), "19200");
    EXPECT_EQ(ini.ReadString("main", "DateIncrement", ""), "-1");
    EXPECT_EQ(ini.ReadString("main", "ShutdownOnExit", ""), "1");
}

TEST_F(ConfigTest, UnreadableValuesKeepTheDefaults) {
    WriteFile(IniPath(), "[main]\r\nFirstChangeStart=early\r\nMIN_RVF=much\r\n[MySQL]\r\nSavePassword=1\r\n"
                         "[PUF]\r\nPUF_COM_speed=fast\r\n");
    Make();
    EXPECT_EQ(FirstChangeStart, 7);
    EXPECT_DOUBLE_EQ(form->MIN_RVF, 1.0);
    EXPECT_EQ(form->PufComSpeed, 38400);
}

TEST_F(ConfigTest, ColourTextsAndWhereTheWalkStops) {
    struct {
        const char* water;
        TColor expected;
    } readable[] = {
        {"0x00FF0000", clBlue}, {"$FF0000", clBlue}, {"0x000000FF", clRed},
        {"16711680", clBlue},  {"0x8000000F", clBtnFace},
    };
    for (auto c : readable) {
        WriteFile(IniPath(), std::string("[MySQL]\r\nSavePassword=1\r\n[OnColors]\r\nWater=") + c.water + "\r\n");
        delete form;
        form = nullptr;
        Make();
        EXPECT_EQ(form->OnColors[4], c.expected) << c.water;
    }

    // A word stops the section at that key: keys before it are taken, it and the rest keep theirs.
    TFormMain* f = form;
    TColor colors[8] = {clPurple, clYellow, clSilver, clLime, clBlue, clLime, clWhite, clTeal};
    WriteFile(IniPath(), "[S]\r\nConcentrat=0x000000FF\r\nPromProduct=$00FF00\r\nPoroda=blue\r\nCoal=0x00FFFFFF\r\n");
    TIniFile ini(IniPath());
    EXPECT_FALSE(ReadColorSet(f, colors, &ini, "S"));
    EXPECT_EQ(colors[0], clRed);
    EXPECT_EQ(colors[1], clLime);
    EXPECT_EQ(colors[2], clSilver);
    EXPECT_EQ(colors[3], clLime);
    // A missing section reads the current colours back: nothing changes and the walk succeeds.
    EXPECT_TRUE(ReadColorSet(f, colors, &ini, "Missing"));
    EXPECT_EQ(colors[7], clTeal);

    EXPECT_EQ(ColorToIniText(clPurple), "0x00800080");
    EXPECT_EQ(ColorToIniText(clBtnFace), "0x8000000F");
}

TEST_F(ConfigTest, ColoursRoundTripThroughTheFile) {
    WriteFile(IniPath(), apptest::QuietIni);
    Make();
    form->OnColors[0] = RGB(1, 2, 3);
    form->OffColors[7] = clBtnFace;
    SaveSettings(form);
    delete form;
    form = nullptr;
    Make();
    EXPECT_EQ(form->OnColors[0], RGB(1, 2, 3));
    EXPECT_EQ(form->OffColors[7], clBtnFace);
    EXPECT_EQ(form->OffColors[4], clBlack);
}

TEST_F(ConfigTest, AFileThatCannotBeWrittenRaises) {
    WriteFile(IniPath(), apptest::QuietIni);
    Make();
    form->IniFileName = AnsiString(dir / "plantmon.INI") + "/x.INI";  // a file used as a folder
    EXPECT_ANY_THROW(SaveSettings(form));
}

// ---- Connection parameters -----------------------------------------------------------------------

TEST_F(ConfigTest, SetConnectionParamMatchesTheNameBeforeTheEqualsSign) {
    WriteFile(IniPath(), apptest::QuietIni);
    Make();
    TSQLConnection* c = form->SQLConnectionPUF_Link;
    TStrings* p = c->Params();
    p->Clear();
    p->Add("DriverName=MySQL");
    p->Add("HostName=127.0.0.1");
    p->Add("User_Name=Password");
    p->Add("Password=");
    struct {
        const char* key;
        const char* value;
        int line;  // -1: appended
    } cases[] = {
        {"HostName", "10.1.1.1:3307", 1},
        // "Password" occurs in the user line; only the password line is meant.
        {"Password", "pw", 3},
        // "Name" occurs in DriverName, HostName and User_Name: none of them is that key.
        {"Name", "x", -1},
        {"hostname", "10.2.2.2", 1},
    };
    for (auto k : cases) {
        const int before = p->Count();
        SetConnectionParam(form, k.key, k.value, c);
        const int line = k.line < 0 ? before : k.line;
        EXPECT_EQ(p->Count(), k.line < 0 ? before + 1 : before) << k.key;
        EXPECT_EQ(p->Strings(line), AnsiString(k.key) + "=" + k.value);
    }
    EXPECT_EQ(p->Strings(0), "DriverName=MySQL");
    EXPECT_EQ(p->Strings(2), "User_Name=Password");
    // Without a connection the general one is meant.
    SetConnectionParam(form, "Database", "other", nullptr);
    EXPECT_EQ(form->SQLConnection1->Params()->Values("Database"), "other");
}

}  // namespace
