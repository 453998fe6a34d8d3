#include "platform/framework/StringList.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> itemsOf(const TStrings& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list.Strings(i));
    return items;
}

struct Tagged : TObject {};

} // namespace

TEST(StringListRules, AnIndexOutsideTheListRaisesTheListError) {
    TStringList list;
    list.Add("a");
    try {
        list.Strings(5);
        FAIL();
    } catch (const EListError& error) {
        EXPECT_EQ(error.Message(), "List index out of bounds (5)");
    }
    EXPECT_THROW(list.Objects(-1), EListError);
    EXPECT_THROW(list.Delete(1), EListError);
    EXPECT_THROW(list.Insert(3, "x"), EListError);
    EXPECT_NO_THROW(list.Insert(1, "b")) << "inserting at the end is allowed";
}

TEST(StringListRules, SortedListsFollowTheirDuplicatesRule) {
    TStringList ignore;
    ignore.SetSorted(true);
    Tagged first, second;
    EXPECT_EQ(ignore.AddObject("beta", &first), 0);
    EXPECT_EQ(ignore.Add("alpha"), 0);
    EXPECT_EQ(ignore.AddObject("BETA", &second), 1) << "an equal string (any case) answers its index";
    EXPECT_EQ(ignore.Objects(1), &first);
    EXPECT_EQ(itemsOf(ignore), (std::vector<std::string>{"alpha", "beta"}));

    TStringList error;
    error.SetSorted(true);
    error.SetDuplicates(dupError);
    error.Add("x");
    EXPECT_THROW(error.Add("x"), EListError);

    TStringList accept;
    accept.SetSorted(true);
    accept.SetDuplicates(dupAccept);
    accept.Add("m");
    accept.Add("m");
    accept.Add("a");
    EXPECT_EQ(itemsOf(accept), (std::vector<std::string>{"a", "m", "m"}));
    EXPECT_EQ(accept.IndexOf("M"), 1);
    EXPECT_THROW(accept.Insert(0, "z"), EListError) << "a sorted list decides positions itself";
}

TEST(StringListRules, SortingAnUnsortedListKeepsObjectsWithTheirStrings) {
    TStringList list;
    Tagged a, c;
    list.AddObject("c", &c);
    list.AddObject("a", &a);
    list.SetSorted(true);
    EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(list.Objects(0), &a);
    int index = -1;
    EXPECT_FALSE(list.Find("b", index));
    EXPECT_EQ(index, 1);
}

TEST(StringListRules, IndexOfIgnoresCaseUnlessAskedNotTo) {
    TStringList list;
    list.Add("Data\\Music\\one.mod");
    EXPECT_EQ(list.IndexOf("data\\music\\ONE.MOD"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("data\\music\\ONE.MOD"), -1);
    EXPECT_EQ(list.IndexOf("nothing"), -1);
}

TEST(StringListText, TextSplitsAnyLineEndAndEndsEveryLine) {
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour\n");
    EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(list.Text(), "one\ntwo\nthree\nfour\n");
    list.SetText("\n\nlast");
    EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"", "", "last"}));
}

TEST(StringListText, CommaTextQuotesWhatNeedsItAndReadsItBack) {
    TStringList list;
    list.Add("plain");
    list.Add("two words");
    list.Add("say \"hi\"");
    list.Add("a,b");
    list.Add("");
    EXPECT_EQ(list.CommaText(), "plain,\"two words\",\"say \"\"hi\"\"\",\"a,b\",");
    TStringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(itemsOf(back), itemsOf(list));
    back.SetCommaText("x y, z");
    EXPECT_EQ(itemsOf(back), (std::vector<std::string>{"x", "y", "z"})) << "unquoted blanks separate items";
}

TEST(StringListText, NamesAndValuesWorkOnNameEqualsValueLines) {
    TStringList list;
    list.Add("Width=640");
    list.Add("Title=a=b");
    EXPECT_EQ(list.Values("width"), "640");
    EXPECT_EQ(list.Values("Title"), "a=b");
    EXPECT_EQ(list.Names(1), "Title");
    list.SetValue("Height", "480");
    list.SetValue("Width", "800");
    EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"Width=800", "Title=a=b", "Height=480"}));
    list.SetValue("Title", "");
    EXPECT_EQ(list.IndexOfName("Title"), -1);
}

TEST(StringListFiles, SaveAndLoadRoundTripAndAMissingFileRaises) {
    const std::string path = std::string(VX_TEST_TMP) + "/stringlist_test.txt";
    TStringList list;
    list.Add("first");
    list.Add("  spaced  ");
    list.SaveToFile(path);
    TStringList back;
    back.LoadFromFile(path);
    EXPECT_EQ(itemsOf(back), itemsOf(list));
    std::remove(path.c_str());
    EXPECT_THROW(back.LoadFromFile(path), EFOpenError);
    EXPECT_THROW(list.SaveToFile(std::string(VX_TEST_TMP) + "/no/such/dir/x.txt"), EFCreateError);
}

TEST(StringListEvents, OnChangeRunsOncePerEditOrOncePerUpdateBlock) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.Add("a");
    list.Delete(0);
    EXPECT_EQ(changes, 2);
    list.BeginUpdate();
    list.Add("x");
    list.Add("y");
    list.EndUpdate();
    EXPECT_EQ(changes, 3);
}

TEST(StringListFiles, WindowsStyleNamesResolveWithoutRegardToCase) {
    const std::string folder = VX_TEST_TMP;
    TStringList list;
    list.Add("Data\\Music\\ms-suxx1.mod");
    list.SaveToFile(folder + "/Playlist.m3u");
    TStringList back;
    back.LoadFromFile(folder + "\\PLAYLIST.M3U");
    EXPECT_EQ(itemsOf(back), itemsOf(list));
}
