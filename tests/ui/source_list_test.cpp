// Add, Remove and Rename on the source list.
#include <QLineEdit>
#include <QTest>
#include <QTreeWidgetItem>

#include "main_dialog.h"

using testing_rm::dataFile;
using testing_rm::StreamSpec;

namespace {

struct Item {
    CString text;
    int image;
    int selectedImage;
    DWORD_PTR data;
    bool operator==(const Item&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Item& item)
{
    return out << item.text << " image " << item.image << "/" << item.selectedImage << " data " << item.data;
}

Item Describe(const CTreeCtrl& tree, HTREEITEM item)
{
    Item d{tree.GetItemText(item), -1, -1, tree.GetItemData(item)};
    tree.GetItemImage(item, d.image, d.selectedImage);
    return d;
}

constexpr UINT kStopOk = MB_ICONHAND | MB_OK;

TEST_F(MainDialogTest, AddListsTheFileWithItsStreamsKindsAndImages)
{
    const std::string mixed = Build("mixed.rm", WithPackets({{.number = 0, .name = "Sound"},
                                                             {.number = 1, .name = "", .mime = "video/x-pn-realvideo"},
                                                             {.number = 2, .name = "Picture", .mime = "video/x-pn-realvideo"},
                                                             {.number = 3, .name = "Info", .mime = "logical-fileinfo"}}));
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Add(d, mixed);
        const auto files = Files(d.m_tree);
        ASSERT_EQ(files.size(), 2u);
        EXPECT_EQ(Describe(d.m_tree, files[0]), (Item{dataFile("video_rv20_ac3.rm"), 2, 2, 0}));
        EXPECT_EQ(Describe(d.m_tree, files[1]), (Item{mixed, 2, 2, 0}));
        EXPECT_TRUE(files[0]->isExpanded());
        EXPECT_TRUE(files[1]->isExpanded());

        const auto first = Streams(d.m_tree, files[0]);
        ASSERT_EQ(first.size(), 2u);
        EXPECT_EQ(Describe(d.m_tree, first[0]), (Item{"The Video Stream", 0, 0, 0}));
        EXPECT_EQ(Describe(d.m_tree, first[1]), (Item{"The Audio Stream", 1, 1, 1}));
        const auto second = Streams(d.m_tree, files[1]);
        ASSERT_EQ(second.size(), 4u);
        EXPECT_EQ(Describe(d.m_tree, second[0]), (Item{"Sound", 1, 1, 1}));
        EXPECT_EQ(Describe(d.m_tree, second[1]), (Item{"Unknown", 2, 2, 2}));
        EXPECT_EQ(Describe(d.m_tree, second[2]), (Item{"Picture", 0, 0, 0}));
        EXPECT_EQ(Describe(d.m_tree, second[3]), (Item{"Info", 2, 2, 2}));
        for (HTREEITEM stream : second)
            EXPECT_FALSE(d.m_tree.GetCheck(stream));
    });
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_TRUE(script.fileDialogs[0].open);
    EXPECT_EQ(script.fileDialogs[0].filter, "Real media (*.rm,*.rmvb)|*.rm;*.rmvb||");
    EXPECT_EQ(script.fileDialogs[0].flags, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT);
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(MainDialogTest, RefusedFilesLeaveTheTreeAsItWasAndSayWhy)
{
    const std::string highNumber = Build("high.rm", WithPackets({{.number = 12, .name = "Twelve"}}));
    std::vector<StreamSpec> eleven;
    for (uint16_t n = 0; n < 11; ++n)
        eleven.push_back({.number = n, .name = "S" + std::to_string(n)});
    const std::string tooMany = Build("eleven.rm", WithPackets(eleven));
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv10.rm"));
        Add(d, dataFile("audio_ra144.rm"));  // no usable stream
        Add(d, highNumber);
        Add(d, tooMany);
        script.CancelFileDialog();
        Press(d, IDC_ADD);
        EXPECT_EQ(d.m_tree.GetCount(), 2u);  // the one file and its stream

        // Nine more fill the muxer's ten places; the eleventh is refused.
        for (int n = 0; n < 9; ++n)
            Add(d, dataFile("video_rv10.rm"));
        EXPECT_EQ(Files(d.m_tree).size(), 10u);
        Add(d, dataFile("video_rv10.rm"));
        EXPECT_EQ(Files(d.m_tree).size(), 10u);
    });
    ASSERT_EQ(script.messages.size(), 4u);
    // An invalid file: the message, and under it what makes the file so.
    EXPECT_EQ(script.messages[0].text,
              "Invalid RM file or no usable streams\nNo stream is usable: stream 0 (audio/x-pn-realaudio) has duration 0");
    EXPECT_EQ(script.messages[1].text, "The file has a usable stream numbered above 9, which a merge cannot hold");
    EXPECT_EQ(script.messages[2].text, "The file has more than 10 usable streams, more than a merge can hold");
    EXPECT_EQ(script.messages[3].text, "No more than 10 files can be added; not added: video_rv10.rm");
    for (const MessageBoxRequest& message : script.messages) {
        EXPECT_EQ(message.caption, "Error");
        EXPECT_EQ(message.type, kStopOk);
    }
}

TEST_F(MainDialogTest, RemoveTakesOutOnlyFiles)
{
    Show([this](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Add(d, dataFile("audio_ac3_meta.rm"));
        d.m_tree.SelectItem(nullptr);
        Press(d, IDC_REMOVE);  // nothing selected: nothing happens
        EXPECT_TRUE(script.messages.empty());

        d.m_tree.SelectItem(Streams(d.m_tree, Files(d.m_tree)[0])[1]);
        Press(d, IDC_REMOVE);
        ASSERT_EQ(script.messages.size(), 1u);
        EXPECT_EQ(script.messages[0].text, "Only files can be removed");
        EXPECT_EQ(script.messages[0].caption, "Warning");
        EXPECT_EQ(script.messages[0].type, kStopOk);
        EXPECT_EQ(d.m_tree.GetCount(), 5u);

        d.m_tree.SelectItem(Files(d.m_tree)[0]);
        Press(d, IDC_REMOVE);
        const auto files = Files(d.m_tree);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(d.m_tree.GetItemText(files[0]), dataFile("audio_ac3_meta.rm"));
        EXPECT_EQ(d.m_tree.GetCount(), 2u);
    });
}

TEST_F(MainDialogTest, RemoveFreesAPlaceForAnotherFile)
{
    Show([this](CMuxDlg& d) {
        for (int n = 0; n < 10; ++n)
            Add(d, dataFile("video_rv10.rm"));
        d.m_tree.SelectItem(Files(d.m_tree)[2]);
        Press(d, IDC_REMOVE);
        Add(d, dataFile("audio_ac3_meta.rm"));
        const auto files = Files(d.m_tree);
        ASSERT_EQ(files.size(), 10u);
        EXPECT_EQ(d.m_tree.GetItemText(files[9]), dataFile("audio_ac3_meta.rm"));
        EXPECT_TRUE(script.messages.empty());
        // Ten are listed again: the next one is refused.
        Add(d, dataFile("video_rv10.rm"));
        EXPECT_EQ(Files(d.m_tree).size(), 10u);
    });
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "No more than 10 files can be added; not added: video_rv10.rm");
}

TEST_F(MainDialogTest, RenameRelabelsAudioAndUnknownStreamsOnly)
{
    const std::string file = Build("named.rm", WithPackets({{.number = 0, .name = "Sound"},
                                                            {.number = 1, .name = "", .mime = "audio/x"},
                                                            {.number = 2, .name = "Picture", .mime = "video/x"}}));
    Show([&](CMuxDlg& d) {
        Add(d, file);
        const auto streams = Streams(d.m_tree, Files(d.m_tree)[0]);
        d.m_tree.SetCheck(streams[0]);

        d.m_tree.SelectItem(streams[0]);
        script.OnNextModal([](CDialog& rename) {
            EXPECT_EQ(rename.GetSafeHwnd()->windowTitle(), "Rename");
            auto* edit = static_cast<QLineEdit*>(Control(rename, IDC_STREAM_NAME));
            EXPECT_EQ(edit->text(), "Sound");
            edit->setText("Music");
            Press(rename, IDOK);
        });
        Press(d, IDC_RENAME);
        EXPECT_EQ(Describe(d.m_tree, streams[0]), (Item{"Music", 1, 1, 1}));
        EXPECT_TRUE(d.m_tree.GetCheck(streams[0]));

        d.m_tree.SelectItem(streams[1]);
        script.OnNextModal([](CDialog& rename) {
            EXPECT_EQ(static_cast<QLineEdit*>(Control(rename, IDC_STREAM_NAME))->text(), "Unknown");
            static_cast<QLineEdit*>(Control(rename, IDC_STREAM_NAME))->setText("Commentary");
            Press(rename, IDCANCEL);
        });
        Press(d, IDC_RENAME);
        EXPECT_EQ(d.m_tree.GetItemText(streams[1]), "Unknown");

        for (HTREEITEM refused : {streams[2], Files(d.m_tree)[0]}) {
            d.m_tree.SelectItem(refused);
            Press(d, IDC_RENAME);
        }
        d.m_tree.SelectItem(nullptr);
        Press(d, IDC_RENAME);
        EXPECT_EQ(d.m_tree.GetItemText(streams[2]), "Picture");
    });
    ASSERT_EQ(script.messages.size(), 2u);
    for (const MessageBoxRequest& message : script.messages) {
        EXPECT_EQ(message.text, "Video streams can not be renamed");
        EXPECT_EQ(message.caption, "Warning");
        EXPECT_EQ(message.type, kStopOk);
    }
}

TEST_F(MainDialogTest, RenamedLabelsHoldAtMostTwelveCharacters)
{
    const std::string file = Build("long.rm", WithPackets({{.number = 0, .name = "A rather long name"}}));
    Show([&](CMuxDlg& d) {
        Add(d, file);
        HTREEITEM stream = Streams(d.m_tree, Files(d.m_tree)[0])[0];
        d.m_tree.SelectItem(stream);
        script.OnNextModal([this](CDialog& rename) {
            auto* edit = static_cast<QLineEdit*>(Control(rename, IDC_STREAM_NAME));
            EXPECT_EQ(edit->text(), "A rather long name");  // shown in full
            Press(rename, IDOK);
            ASSERT_EQ(script.messages.size(), 1u);
            EXPECT_EQ(script.messages[0].text, "Please enter no more than 12 characters.");
            EXPECT_TRUE(rename.GetSafeHwnd()->isVisible());

            edit->clear();
            QTest::keyClicks(edit, "Thirteen chars");
            EXPECT_EQ(edit->text(), "Thirteen cha");
            Press(rename, IDOK);
        });
        Press(d, IDC_RENAME);
        EXPECT_EQ(d.m_tree.GetItemText(stream), "Thirteen cha");
    });
}

}  // namespace
