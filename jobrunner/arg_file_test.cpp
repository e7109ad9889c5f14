#include "jobrunner/arg_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "jobrunner/result_codes.h"

namespace {

// The commands of the pending lines of a section, in walk order, as a walk that executes
// nothing would meet them; "<corrupted>" ends a walk that finds no line end.
std::vector<std::string> PendingCommands(std::string_view text, RunMode mode) {
    std::vector<std::string> out;
    const CommandSection section = FindCommandSection(text, mode);
    if (section.status != CommandSection::Status::kFound) return {"<no section>"};
    for (size_t cursor = section.cursor;;) {
        const PendingLine line = NextPendingLine(text, cursor, section.end);
        if (line.kind == PendingLine::Kind::kEnd) break;
        if (line.kind == PendingLine::Kind::kCorrupted) {
            out.push_back("<corrupted>");
            break;
        }
        const std::string_view whole = text.substr(line.start, line.length);
        out.emplace_back(whole.size() >= kCommandColumn ? whole.substr(kCommandColumn) : "<short>");
        cursor = line.lf;
    }
    return out;
}

const char kBothSections[] =
    "# head\r\n[Version]\r\n04\r\n[Runtime]\r\nFWPATH=C:\\fw\r\n"
    "[UpdCommands]\r\n# comment\r\n0   - upd one\r\n1 000 upd done\r\n0   - upd two\r\n"
    "[Commands]\r\n# comment\r\n0   - force one\r\n# between\r\n0   - force two\r\n"
    " 0   - leading space\r\n1 005 finished\r\n\r\n[Manager]\r\nJobType=1\r\n";

}  // namespace

TEST(ArgFile, FwPathSearch) {
    const std::string wd = "C:\\work";
    const struct {
        const char* text;
        bool autonomic;
        uint32_t result;
        const char* debug;  // null: no console line
        const char* value;
    } cases[] = {
        {"[Version]\r\n04\r\nFWPATH=C:\\fw\r\n", false, kResultParametersMissing,
         "Can not find RUNTIMESECTION\n", ""},
        {"[Runtime]", false, kResultParametersMissing, "Can't find line without comment\n", ""},
        {"[Runtime]\r\n# one\r\n# two", false, kResultParametersMissing,
         "Can't find line without comment\n", ""},
        {"[Runtime]\r\nFILES=a\r\n", false, kResultFwPathKeyMissing, nullptr, ""},
        {"[Runtime]\r\nFWPATH=\r\n", false, kResultParametersMissing, "Can't find FWPATHKEY\n", ""},
        {"[Runtime]\r\nFWPATH=C:\\fw\r\n", false, 0, nullptr, "C:\\fw"},
        {"x[Runtime]\r\nFWPATH=rel\\dir\r\n", false, 0, nullptr, "rel\\dir"},
        {"[Runtime]\r\n# c\r\n\r\nFWPATH=C:\\fw\r\n", false, 0, nullptr, "C:\\fw"},
        // the search starts at the first line that is not a comment and runs to the end
        {"[Runtime]\r\n#FWPATH=C:\\bad\r\nFILES=a\r\n[Other]\r\nFWPATH=C:\\good\r\n", false, 0,
         nullptr, "C:\\good"},
        {"FWPATH=C:\\before\r\n[Runtime]\r\nFILES=\r\n", false, kResultFwPathKeyMissing, nullptr,
         ""},
        {"[Runtime]\r\nFWPATH=C:\\fw\n", false, 0, nullptr, "C:\\f"},  // bare LF: last char lost
        {"[Runtime]\r\nFWPATH=C:\\fw", false, 0, nullptr, "C:\\fw"},   // no line end at all
        {"[Runtime]\r\nFWPATH=C:\\fw\r\n", true, 0, nullptr, "C:\\work"},
        {"[Runtime]\r\nFWPATH=\r\n", true, 0, nullptr, "C:\\work"},
        {"[Runtime]\r\nFILES=\r\n", true, kResultFwPathKeyMissing, nullptr, ""},
    };
    for (const auto& c : cases) {
        const FwPathLookup found = FindFwPath(c.text, c.autonomic, wd);
        EXPECT_EQ(c.result, found.result) << c.text;
        EXPECT_STREQ(c.debug, found.debugMessage) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(c.value, found.value) << c.text;
        }
    }
}

TEST(ArgFile, EachModeWalksItsOwnSection) {
    EXPECT_EQ((std::vector<std::string>{"force one", "force two"}),
              PendingCommands(kBothSections, RunMode::kForce));
    EXPECT_EQ((std::vector<std::string>{"upd one", "upd two"}),
              PendingCommands(kBothSections, RunMode::kUpdate));
}

TEST(ArgFile, SectionBoundaries) {
    const struct {
        const char* text;
        RunMode mode;
        std::vector<std::string> commands;
    } cases[] = {
        {"[Commands]\r\n0   - a\r\n[UpdCommands]\r\n0   - b\r\n[Manager]\r\n",
         RunMode::kUpdate,
         {}},  // end header before the section's header: empty
        {"[Commands]\r\n0   - a\r\n[UpdCommands]\r\n0   - b\r\n[Manager]\r\n",
         RunMode::kForce,
         {"a", "b"}},  // "[UpdCommands]" is just text here
        {"[UpdCommands]\r\n0   - a\r\n", RunMode::kUpdate, {"<no section>"}},
        {"[Manager]\r\n", RunMode::kForce, {"<no section>"}},
        {"[Commands]\r\n0   - a [Manager]\r\n", RunMode::kForce, {}},  // line end past the end
        {"[Commands]\r\n0   - a\r\n0   - b[Manager]", RunMode::kForce, {"a", "<corrupted>"}},
        {"[Manager][Commands]", RunMode::kForce, {}},  // header at the end of the file
        {"[Commands]\r\n0   - a\r\n0\r\n0 x\r\n0   - b\r\n[Manager]\r\n",
         RunMode::kForce,
         {"a", "<short>", "<short>", "b"}},
        {"[Commands]\r\n0   - a\n0   - b\r\n[Manager]\r\n", RunMode::kForce, {"", "b"}},
        {"[Commands]\r\n1 000 a\r\n#0\r\nx\r\n[Manager]\r\n", RunMode::kForce, {}},
        {"[Commands]\r\n0   - force x\r\n[Manager]\r\n[Commands]\r\n0   - y\r\n",
         RunMode::kForce,
         {"force x"}},  // first occurrences only
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.commands, PendingCommands(c.text, c.mode)) << c.text;
    }
}

TEST(ArgFile, RewritesOnlyStateAndCodeColumns) {
    std::string text = "0   - cmd\r\n";
    std::span<char> view(text.data(), text.size());
    MarkLineStarted(view, 0);
    WriteCodeField(view, 0, 42);
    EXPECT_EQ("1 042 cmd\r\n", text);
    WriteCodeField(view, 0, 570621955);
    EXPECT_EQ("1 570 cmd\r\n", text);
}

// Every search stops at the view's size: each truncation of a file is searched in a buffer of
// exactly that size (where a sanitizer catches any step past the end), and every line found lies
// inside it.
TEST(ArgFile, SearchesStayInsideEveryTruncation) {
    const std::string whole = kBothSections;
    for (size_t size = 0; size <= whole.size(); ++size) {
        auto copy = std::make_unique<char[]>(size);
        whole.copy(copy.get(), size);
        const std::string_view text(copy.get(), size);
        const FwPathLookup fwPath = FindFwPath(text, false, "C:\\w");
        EXPECT_LE(fwPath.value.size(), size);
        for (RunMode mode : {RunMode::kForce, RunMode::kUpdate}) {
            const CommandSection section = FindCommandSection(text, mode);
            if (section.status != CommandSection::Status::kFound) continue;
            for (size_t cursor = section.cursor;;) {
                const PendingLine line = NextPendingLine(text, cursor, section.end);
                if (line.kind != PendingLine::Kind::kLine) break;
                ASSERT_LT(line.lf, size);
                ASSERT_LE(line.start + line.length, line.lf);
                cursor = line.lf;
            }
        }
    }
}
