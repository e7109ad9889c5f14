#include "stub/run/engine_command.h"

#include <gtest/gtest.h>

#include "stub/run/command_line.h"

namespace {

EngineCommandInput Input(const char* runName, const char* parameters, bool agentMode = false) {
    EngineCommandInput input;
    input.runName = runName;
    input.parameters = parameters;
    input.directory = R"(C:\Temp\wyv1)";
    input.threadId = "_1234";
    input.stubPath = R"(D:\Setup.exe)";
    input.agentMode = agentMode;
    return input;
}

}  // namespace

TEST(EngineCommand, BuildsTheEngineCommandLine) {
    const struct {
        EngineCommandInput input;
        const char* command;
    } cases[] = {
        {Input("Engine.exe* /S", "/X"),
         R"(C:\Temp\wyv1\Engine.exe /X /S /TH_ID=_1234 /OriginExe="D:\Setup.exe")"},
        {Input("Engine.exe", ""),
         R"(C:\Temp\wyv1\Engine.exe /TH_ID=_1234 /OriginExe="D:\Setup.exe")"},
        {Input("Engine.exe*", ""),
         R"(C:\Temp\wyv1\Engine.exe /TH_ID=_1234 /OriginExe="D:\Setup.exe")"},
        {Input(" Engine.exe *  /S /Q ", ""),
         R"(C:\Temp\wyv1\Engine.exe /S /Q /TH_ID=_1234 /OriginExe="D:\Setup.exe")"},
        {Input("Engine.exe* /S", "/X", true),
         R"(C:\Temp\wyv1\Engine.exe /X /S /TH_ID=_1234 /OriginExe="D:\Setup.exe" /AutoUpdateProg)"},
        // The span switches go, wherever they stand; an /OriginExe= already given stays as passed.
        {Input(
             "Engine.exe",
             R"(/SpanCdLvl=2 /SpanDiskFName1="D:\Disk 1\S.exe.001" /OriginExe="D:\Disk 1\S.exe")"),
         R"(C:\Temp\wyv1\Engine.exe /OriginExe="D:\Disk 1\S.exe" /TH_ID=_1234)"},
        {Input("Engine.exe* /S",
               R"(/X /SPANDISKFNAME1="E:\a.001" /originexe=F:\s.exe /spancdlvl=2)"),
         R"(C:\Temp\wyv1\Engine.exe /X /originexe=F:\s.exe /S /TH_ID=_1234)"},
        // Only the first of each goes.
        {Input("Engine.exe", "/SpanCdLvl=2 /SpanCdLvl=3"),
         R"(C:\Temp\wyv1\Engine.exe /SpanCdLvl=3 /TH_ID=_1234 /OriginExe="D:\Setup.exe")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EngineCommand(c.input), c.command)
            << c.input.runName << " | " << c.input.parameters;
}

TEST(RemoveFirstSwitch, CutsUpToTheNextSlash) {
    const struct {
        const char* text;
        const char* removed;
    } cases[] = {
        {"a /K=1 /B", "a /B"},
        {R"(a /k="x y" /B)", "a /B"},
        {"/K=1 /K=2", "/K=2"},
        {"a /B /K=1", "a /B "},             // at the end the space before it stays
        {R"(a /K="x/y" /B)", "a /y\" /B"},  // a slash inside the value ends the cut too
        {"a /B", "a /B"},
    };
    for (const auto& c : cases) EXPECT_EQ(RemoveFirstSwitch(c.text, "/K="), c.removed) << c.text;
}

TEST(RelaunchCommandLine, NamesTheFirstDiskAndTheOriginForTheCopy) {
    EXPECT_EQ(RelaunchCommandLine(R"(C:\Temp\Y_Setup.exe)", "/X", R"(D:\Setup.exe)"),
              R"(C:\Temp\Y_Setup.exe /X /SpanCdLvl=2 /SpanDiskFName1="D:\Setup.exe.001" )"
              R"(/OriginExe="D:\Setup.exe")");
    EXPECT_EQ(RelaunchCommandLine(R"(C:\Temp\Y_Setup.exe)", "", R"(D:\Setup.exe)"),
              R"(C:\Temp\Y_Setup.exe /SpanCdLvl=2 /SpanDiskFName1="D:\Setup.exe.001" )"
              R"(/OriginExe="D:\Setup.exe")");
}

TEST(RelaunchCommandLine, TheCopyReadsItsSwitchesAndTheEngineGetsOnlyTheOrigin) {
    const char* copy = R"(C:\Documents and Settings\u\Local Settings\Temp\Y_Setup.exe)";
    const char* stub = R"(D:\My Disk\Setup.exe)";
    const std::string parameters = ParameterText(RelaunchCommandLine(copy, "/X", stub), copy);
    EXPECT_EQ(SwitchNumber(parameters, "/SpanCdLvl=", 1), 2);
    EXPECT_EQ(SwitchValue(parameters, "/SpanDiskFName1="), R"(D:\My Disk\Setup.exe.001)");
    EXPECT_EQ(SwitchValue(parameters, "/OriginExe="), stub);

    EngineCommandInput input = Input("Engine.exe* /S", "");
    input.parameters = parameters;
    input.stubPath = copy;
    EXPECT_EQ(EngineCommand(input),
              R"(C:\Temp\wyv1\Engine.exe /X /OriginExe="D:\My Disk\Setup.exe" /S /TH_ID=_1234)");
}

TEST(DeleteScriptText, LoopsUntilTheStubIsGoneThenRemovesItself) {
    const char* stub = R"(C:\Temp\wyv 7\Y_Setup.exe)";
    const char* script = R"(C:\Temp\_DEL_ME_.BAT)";
    EXPECT_EQ(DeleteScriptText(stub, script, false),
              ":START\r\n"
              "DEL \"C:\\Temp\\wyv 7\\Y_Setup.exe\"\r\n"
              "IF exist \"C:\\Temp\\wyv 7\\Y_Setup.exe\" GOTO START\r\n"
              "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n");
    EXPECT_EQ(DeleteScriptText(stub, script, true),
              ":START\r\n"
              "DEL \"C:\\Temp\\wyv 7\\Y_Setup.exe\"\r\n"
              "IF exist \"C:\\Temp\\wyv 7\\Y_Setup.exe\" GOTO START\r\n"
              "RD \"C:\\Temp\\wyv 7\"\r\n"
              "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n");
}

TEST(WindowClassName, IsThePathForInstallersAndTheBareNameForAgents) {
    const struct {
        const char* stub;
        bool agent;
        const char* name;
    } cases[] = {
        {R"(C:\Program Files\Acme\AutoUpd.exe)", false, R"(C:\Program Files\Acme\AutoUpd.exe)"},
        {R"(C:\Program Files\Acme\AutoUpd.exe)", true, ".AutoUpdate.AutoUpd"},
        {R"(C:\Acme\X_AutoUpd.setup.exe)", true, ".AutoUpdate.X_AutoUpd.setup"},
        {R"(C:\Acme.d\AutoUpd)", true, ".AutoUpdate.AutoUpd"},  // a dot in the directory is no
                                                                // extension
    };
    for (const auto& c : cases) EXPECT_EQ(WindowClassName(c.stub, c.agent), c.name) << c.stub;
}
