// What the commands print, read back the way a script reads it: CSV by an
// RFC 4180 reader, JSON by a strict parser, and texts re-encoded for consoles.
#include <gtest/gtest.h>

#include <windows.h>

#include "Readers.h"
#include "cleanup/CheckTree.h"
#include "cmd/CmdFormat.h"
#include "platform/Strings.h"

namespace {

using namespace cx;
using namespace cx::cmd;
using cx::test::Json;

// Names that break naive writers: separators, quotes, line breaks, blanks at
// the ends, a backslash before a quote, an empty text.
const std::vector<std::string> kHostile = {
    "Quill, \"Pro\" Edition",
    "\"",
    "\"\"",
    ",",
    "a\r\nb",
    "line\nbreak",
    "cr\ronly",
    " padded ",
    "",
    "C:\\Path\\\"",
    "tab\there",
    "semi;colon",
};

TEST(CsvOutput, EveryFieldSurvivesAnRfc4180Reader) {
    std::vector<ListEntry> entries;
    for (const std::string& s : kHostile) {
        ListEntry e;
        e.name = s;
        e.publisher = s + ",";
        e.location = "\"" + s;
        e.registryName = s;
        e.kind = "program";
        entries.push_back(e);
    }
    entries[1].broken = true;
    auto records = test::ParseCsv(FormatList(entries, OutputFormat::Csv));
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), entries.size() + 1);
    EXPECT_EQ((*records)[0],
              (std::vector<std::string>{"Name", "Publisher", "Version", "Size", "InstallDate",
                                        "Location", "Hive", "RegistryName", "Kind", "Broken"}));
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& r = (*records)[i + 1];
        ASSERT_EQ(r.size(), 10u) << i;
        EXPECT_EQ(r[9], i == 1 ? "yes" : "no");
        EXPECT_EQ(r[0], entries[i].name);
        EXPECT_EQ(r[1], entries[i].publisher);
        EXPECT_EQ(r[5], entries[i].location);
        EXPECT_EQ(r[7], entries[i].registryName);
    }
}

TEST(CsvOutput, QuotesOnlyWhereTheFormatNeedsThem) {
    EXPECT_EQ(CsvField("plain text"), "plain text");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("cr\r"), "\"cr\r\"");
    EXPECT_EQ(CsvRecord({"a", "", "b,c"}), "a,,\"b,c\"\r\n");
}

TEST(JsonOutput, EscapesControlsQuotesBackslashesAndEverythingBeyondAscii) {
    EXPECT_EQ(JsonString(L"a\"b\\c/d"), "\"a\\\"b\\\\c/d\"");
    EXPECT_EQ(JsonString(L"\b\f\n\r\t"), "\"\\b\\f\\n\\r\\t\"");
    EXPECT_EQ(JsonString(std::wstring(L"\x01\x1F\x7F", 3)), "\"\\u0001\\u001F\\u007F\"");
    EXPECT_EQ(JsonString(std::wstring(1, L'\0')), "\"\\u0000\"");
    EXPECT_EQ(JsonString(L"caf\u00E9 \u20AC"), "\"caf\\u00E9 \\u20AC\"");
    // Beyond the BMP: the surrogate pair, as the UTF-16 text holds it.
    EXPECT_EQ(JsonString(L"\xD83D\xDE00"), "\"\\uD83D\\uDE00\"");
}

TEST(JsonOutput, EveryCodeUnitRoundTripsThroughAStrictParser) {
    std::wstring all;
    for (unsigned c = 0; c < 0x10000; ++c) all += static_cast<wchar_t>(c);
    const std::string literal = JsonString(all);
    for (char c : literal) ASSERT_LT(static_cast<unsigned char>(c), 0x80u) << "non-ASCII output";
    auto parsed = test::ParseJson(literal);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->type, Json::Type::String);
    EXPECT_EQ(parsed->text, all);
}

TEST(JsonOutput, TheListIsAnArrayOfRowsWithTheirFacts) {
    EXPECT_TRUE(test::ParseJson(FormatList({}, OutputFormat::Json)));
    EXPECT_EQ(test::ParseJson(FormatList({}, OutputFormat::Json))->items.size(), 0u);

    std::vector<ListEntry> entries;
    for (const std::string& s : kHostile) {
        ListEntry e;
        e.name = s;
        e.publisher = "Acme";
        e.version = "1.2";
        e.installDate = "2024-05-01";
        e.location = "C:\\Program Files\\" + s;
        e.hive = "HKEY_CURRENT_USER";
        e.registryName = s;
        e.kind = "patch";
        entries.push_back(e);
    }
    entries[0].sizeBytes = 1536.0;
    entries[2].broken = true;
    auto doc = test::ParseJson(FormatList(entries, OutputFormat::Json));
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->type, Json::Type::Array);
    ASSERT_EQ(doc->items.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const Json& row = doc->items[i];
        EXPECT_EQ(row[L"name"].text, AnsiToWide(entries[i].name));
        EXPECT_EQ(row[L"location"].text, AnsiToWide(entries[i].location));
        EXPECT_EQ(row[L"registryName"].text, AnsiToWide(entries[i].registryName));
        EXPECT_EQ(row[L"hive"].text, L"HKEY_CURRENT_USER");
        EXPECT_EQ(row[L"kind"].text, L"patch");
        EXPECT_EQ(row[L"version"].text, L"1.2");
        EXPECT_EQ(row[L"installDate"].text, L"2024-05-01");
        EXPECT_EQ(row[L"broken"].type, Json::Type::Bool);
        EXPECT_EQ(row[L"broken"].boolean, i == 2);
    }
    EXPECT_EQ(doc->items[0][L"size"].type, Json::Type::Number);
    EXPECT_EQ(doc->items[0][L"size"].number, 1536.0);
    // An unknown size is no size at all, not zero bytes.
    EXPECT_EQ(doc->items[1][L"size"].type, Json::Type::Null);
}

TEST(JsonOutput, DetailsAndStartupRowsKeepTheirOrderAndDuplicates) {
    ShowData d;
    d.name = "Quill \"Notes\"";
    d.registryName = "QuillNotes";
    d.hive = "HKEY_LOCAL_MACHINE";
    d.properties = {{"Version", "2.0"}, {"Publisher", "Quill, Inc."}};
    d.registry = {{"", "default"}, {"B", "x\r\ny"}, {"B", "again"}};
    auto doc = test::ParseJson(FormatShow(d, OutputFormat::Json));
    ASSERT_TRUE(doc);
    EXPECT_EQ((*doc)[L"name"].text, L"Quill \"Notes\"");
    ASSERT_EQ((*doc)[L"registry"].items.size(), 3u);
    EXPECT_EQ((*doc)[L"registry"].items[0][L"name"].text, L"");
    EXPECT_EQ((*doc)[L"registry"].items[1][L"data"].text, L"x\r\ny");
    EXPECT_EQ((*doc)[L"registry"].items[2][L"data"].text, L"again");
    EXPECT_EQ((*doc)[L"properties"].items[1][L"value"].text, L"Quill, Inc.");
    EXPECT_TRUE(test::ParseJson(FormatShow(ShowData{}, OutputFormat::Json)));

    auto csv = test::ParseCsv(FormatShow(d, OutputFormat::Csv));
    ASSERT_TRUE(csv);
    EXPECT_EQ(csv->back(), (std::vector<std::string>{"Registry", "B", "again"}));

    std::vector<StartupLine> lines = {
        {"Sync, \"daily\"", "\"C:\\a b\\s.exe\" /x", "HKCU\\Run", true},
        {"Off", "", "Startup", false}};
    auto startup = test::ParseJson(FormatStartup(lines, OutputFormat::Json));
    ASSERT_TRUE(startup);
    ASSERT_EQ(startup->items.size(), 2u);
    EXPECT_EQ(startup->items[0][L"command"].text, L"\"C:\\a b\\s.exe\" /x");
    EXPECT_TRUE(startup->items[0][L"enabled"].boolean);
    EXPECT_EQ(startup->items[1][L"enabled"].type, Json::Type::Bool);
    EXPECT_FALSE(startup->items[1][L"enabled"].boolean);
    auto startupCsv = test::ParseCsv(FormatStartup(lines, OutputFormat::Csv));
    ASSERT_TRUE(startupCsv);
    EXPECT_EQ((*startupCsv)[1][0], "Sync, \"daily\"");
    EXPECT_EQ((*startupCsv)[2][3], "no");
}

TEST(TextOutput, ATableKeepsOneRowPerLineWhateverTheNamesHold) {
    std::vector<ListEntry> entries(2);
    entries[0].name = "two\r\nlines";
    entries[1].name = "tab\tand\nbreak";
    entries[1].hive = "HKEY_LOCAL_MACHINE";
    const std::string text = FormatList(entries, OutputFormat::Text);
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 3u);  // the heading and the two rows
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
    EXPECT_NE(text.find("HKLM"), std::string::npos);
}

TEST(ConsoleText, ReencodedForTheConsolesCodePage) {
    const std::wstring wide = L"caf\u00E9 \u20AC";
    if (!IsAnsiFaithful(wide) || GetACP() == 437)
        GTEST_SKIP() << "the ANSI code page " << GetACP() << " cannot hold the sample text";
    const std::string ansi = WideToAnsi(wide);
    // The OEM code page of a console has é at 0x82 and no euro sign: "?", never a look-alike.
    EXPECT_EQ(ToCodePage(ansi, 437), "caf\x82 ?");
    EXPECT_EQ(ToCodePage(ansi, CP_UTF8), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(ToCodePage(ansi, 0), ansi);
    EXPECT_EQ(ToCodePage(ansi, GetACP()), ansi);
    EXPECT_EQ(ToCodePage("", 437), "");
}

TEST(TreeOutput, MarksDepthAndKeptFolders) {
    cleanup::CheckTree tree;
    auto root = tree.Add(-1, "C:\\Program Files\\Quill", cleanup::NodeKind::Folder);
    auto file = tree.Add(root, "C:\\Program Files\\Quill\\a.txt", cleanup::NodeKind::File,
                         cleanup::csUnchecked);
    auto kept = tree.Add(root, "C:\\Program Files\\Quill\\Other", cleanup::NodeKind::Folder);
    tree.Lock(kept);
    tree.SetState(root, cleanup::csPartial);
    (void)file;
    const std::string text = FormatTree(tree);
    EXPECT_EQ(text,
              "[-] C:\\Program Files\\Quill\\\r\n"
              "[ ]   C:\\Program Files\\Quill\\a.txt\r\n"
              "[ ]   C:\\Program Files\\Quill\\Other\\  (kept: another program lives here)\r\n");
    EXPECT_EQ(FormatTree(cleanup::CheckTree{}), "");

    // An install folder registered with its final backslash is shown with one.
    cleanup::CheckTree slashed;
    slashed.Add(-1, "C:\\Program Files\\Quill\\", cleanup::NodeKind::Folder);
    EXPECT_EQ(FormatTree(slashed), "[x] C:\\Program Files\\Quill\\\r\n");
}

TEST(Answers, OnlyYesIsYes) {
    for (const char* yes : {"y", "Y", "yes", "YES", " yes\r", "Yes\t"})
        EXPECT_TRUE(IsYes(yes)) << yes;
    for (const char* no : {"", "n", "no", "yess", "y e s", "ja", "1", "sure"})
        EXPECT_FALSE(IsYes(no)) << no;
}

}  // namespace
