// The dialogs in each shipped language: the words they show, taken from
// the user's locale, and texts that are never cut.
#include <cstdlib>
#include <filesystem>
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>

#include "framework/app.h"
#include "framework/translations.h"
#include "main_dialog.h"
#include "mux/merge_signals.h"
#include "ui/progress_dlg.h"

using testing_rm::dataFile;

namespace {

// What the main dialog shows in a language, and a message box of its code.
struct Words {
    const char* language;
    const char* title;
    const char* merge;
    const char* append;
    const char* add;
    const char* remove;
    const char* cancel;
    const char* onlyFiles;  // the warning when Remove meets a stream
    const char* warning;
};

const Words kEnglish{"en", "Real Media muxer", "&Merge", "A&ppend", "&Add", "&Remove", "&Cancel", "Only files can be removed",
                     "Warning"};
const Words kShipped[] = {
    {"de", "RealMedia-Muxer", "&Zusammenführen", "&Anhängen", "&Hinzufügen", "Ent&fernen", "Abb&rechen",
     "Nur Dateien können entfernt werden", "Warnung"},
    {"ja", "RealMedia マルチプレクサー", "結合(&M)", "連結(&P)", "追加(&A)", "削除(&R)", "キャンセル(&C)", "削除できるのはファイルだけです",
     "警告"},
    {"ru", "Мультиплексор RealMedia", "&Объединить", "&Присоединить", "&Добавить", "&Убрать", "От&мена",
     "Убрать из списка можно только файлы", "Предупреждение"},
    {"zh_CN", "RealMedia 合并器", "合并(&M)", "追加(&P)", "添加(&A)", "移除(&R)", "取消(&C)", "只能移除文件", "警告"},
    {"zh_TW", "RealMedia 合併器", "合併(&M)", "附加(&P)", "新增(&A)", "移除(&R)", "取消(&C)", "只能移除檔案", "警告"},
};

// The words of the locale's language: a shipped one by its name, or by its
// language alone (de_AT speaks de); English for any other.
const Words& WordsFor(const QLocale& locale)
{
    for (const Words& words : kShipped)
        if (locale.name() == words.language)
            return words;
    for (const Words& words : kShipped)
        if (QLocale(words.language).language() == locale.language() && QString(words.language).size() == 2)
            return words;
    return kEnglish;
}

QString Caption(CWnd& d, int id)
{
    return static_cast<QAbstractButton*>(Control(d, id))->text();
}

// Shows the main dialog's words, and the warning Remove gives for a stream.
void ExpectWords(Script& script, CMuxDlg& d, const Words& words)
{
    const std::string language = words.language;
    EXPECT_EQ(d.GetSafeHwnd()->windowTitle(), QString(words.title)) << language;
    EXPECT_EQ(Caption(d, IDOK), QString(words.merge)) << language;
    EXPECT_EQ(Caption(d, IDC_APPEND), QString(words.append)) << language;
    EXPECT_EQ(Caption(d, IDC_ADD), QString(words.add)) << language;
    EXPECT_EQ(Caption(d, IDC_REMOVE), QString(words.remove)) << language;
    EXPECT_EQ(Caption(d, IDCANCEL), QString(words.cancel)) << language;
    script.ChooseFile(dataFile("audio_ac3_meta.rm"));
    Press(d, IDC_ADD);
    d.m_tree.SelectItem(Streams(d.m_tree, Files(d.m_tree).at(0)).at(0));
    script.messages.clear();
    Press(d, IDC_REMOVE);
    ASSERT_EQ(script.messages.size(), 1u) << language;
    EXPECT_EQ(script.messages[0].text, words.onlyFiles) << language;
    EXPECT_EQ(script.messages[0].caption, words.warning) << language;
}

// Every text of the dialog is shown whole: each button, check box and label
// is at least as wide and as tall as its text, lies inside the dialog, and
// no two controls shown overlap.
void ExpectTextsFit(CWnd& dialog, const std::string& where)
{
    QWidget* window = dialog.GetSafeHwnd();
    const QList<QWidget*> controls = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        QString text;
        int box = 0;
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(control))
            text = label->text();
        if (qobject_cast<QCheckBox*>(control))
            box = control->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, control);
        if (text.isEmpty())
            continue;
        const QSize needed = QFontMetrics(control->font()).size(Qt::TextShowMnemonic, text);
        EXPECT_GE(control->width(), box + needed.width()) << where << ": " << text.toStdString();
        EXPECT_GE(control->height(), needed.height()) << where << ": " << text.toStdString();
        EXPECT_TRUE(window->rect().contains(control->geometry())) << where << ": " << text.toStdString();
    }
    for (QWidget* a : controls)
        for (QWidget* b : controls)
            if (a < b && a->isVisibleTo(window) && b->isVisibleTo(window)) {
                EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                    << where << ": controls " << AfxControlId(a) << " and " << AfxControlId(b) << " overlap";
            }
}

// The translations of one language for the span of a test; English again after.
class LanguageTest : public MainDialogTest {
protected:
    static CString Use(const char* language)
    {
        return AfxInstallTranslations(QLocale(language), "kestrova", {KESTROVA_TRANSLATIONS_DIR});
    }
    ~LanguageTest() override { Use("en"); }
};

TEST_F(LanguageTest, MainDialogSpeaksEachShippedLanguage)
{
    for (const Words& words : kShipped) {
        ASSERT_NE(Use(words.language), "") << words.language;
        CMuxDlg shown;
        script.OnNextModal([&](CDialog& d) {
            ExpectWords(script, static_cast<CMuxDlg&>(d), words);
            Press(d, IDCANCEL);
        });
        shown.DoModal();
    }
}

TEST_F(LanguageTest, NoTextIsCutInAnyLanguage)
{
    std::vector<const Words*> languages{&kEnglish};
    for (const Words& words : kShipped)
        languages.push_back(&words);
    for (const Words* words : languages) {
        const std::string language = words->language;
        EXPECT_EQ(Use(words->language).empty(), words == &kEnglish) << language;
        CMuxDlg main;
        script.OnNextModal([&](CDialog& dialog) {
            auto& d = static_cast<CMuxDlg&>(dialog);
            // Hidden controls are shown too: a dialog's code may show them.
            for (int id : {IDC_RENAME, IDC_ADD_PLUGIN})
                Control(d, id)->show();
            ExpectTextsFit(d, language + " main dialog");
            if (language == "de" || language == "zh_CN")
                Render(d, "main-dialog-" + language);

            script.OnNextModal([&](CDialog& about) {
                ExpectTextsFit(about, language + " About box");
                EXPECT_EQ(about.GetSafeHwnd()->minimumSize(), about.GetSafeHwnd()->maximumSize()) << language;
                if (language == "de" || language == "zh_CN")
                    Render(about, "about-box-" + language);
                Press(about, IDOK);
            });
            d.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);

            script.ChooseFile(dataFile("audio_ac3_meta.rm"));
            Press(d, IDC_ADD);
            d.m_tree.SelectItem(Streams(d.m_tree, Files(d.m_tree).at(0)).at(0));
            script.OnNextModal([&](CDialog& rename) {
                ExpectTextsFit(rename, language + " Rename dialog");
                EXPECT_EQ(rename.GetSafeHwnd()->minimumSize(), rename.GetSafeHwnd()->maximumSize()) << language;
                if (language == "de" || language == "zh_CN")
                    Render(rename, "rename-dialog-" + language);
                Press(rename, IDCANCEL);
            });
            Press(d, IDC_RENAME);
            Press(d, IDCANCEL);
        });
        main.DoModal();

        ResetMergeSignals();
        script.OnNextModal([&](CDialog& progress) {
            ExpectTextsFit(progress, language + " Progress dialog");
            EXPECT_EQ(progress.GetSafeHwnd()->minimumSize(), progress.GetSafeHwnd()->maximumSize()) << language;
            progress.EndDialog(IDCANCEL);
        });
        CProgressDlg progress;
        progress.DoModal();
        ResetMergeSignals();
    }
}

TEST_F(LanguageTest, EachLocaleGetsTheNearestShippedLanguage)
{
    const struct {
        const char* locale;
        const char* file;  // "" for English
    } cases[] = {
        {"de_DE", "kestrova_de.qm"}, {"de_AT", "kestrova_de.qm"}, {"ru_UA", "kestrova_ru.qm"},
        {"ja_JP", "kestrova_ja.qm"}, {"zh_CN", "kestrova_zh_CN.qm"}, {"zh_SG", "kestrova_zh_CN.qm"},
        {"zh_TW", "kestrova_zh_TW.qm"}, {"zh_HK", "kestrova_zh_TW.qm"}, {"zh_MO", "kestrova_zh_TW.qm"},
        {"zh", "kestrova_zh_CN.qm"}, {"en_GB", ""}, {"fr_FR", ""}, {"C", ""},
    };
    for (const auto& c : cases) {
        const CString loaded = Use(c.locale);
        EXPECT_EQ(loaded.empty() ? "" : std::filesystem::path(loaded).filename().string(), c.file) << c.locale;
    }
}

TEST_F(LanguageTest, RefusalsAreTheDialogsSentencesAroundTheFilesDetails)
{
    ASSERT_NE(Use("de"), "");
    const std::string text = dir.file("text.rm");
    testing_rm::writeFileBytes(text, "plain text, not a RealMedia file");
    Show([&](CMuxDlg& d) {
        Add(d, dir.file("missing.rm"));
        Add(d, text);
    });
    ASSERT_EQ(script.messages.size(), 2u);
    // The system's reason stays as the system gives it.
    EXPECT_EQ(script.messages[0].text.rfind("Die Datei kann nicht geöffnet werden: ", 0), 0u) << script.messages[0].text;
    EXPECT_EQ(script.messages[0].text.find("cannot"), std::string::npos) << script.messages[0].text;
    // What the muxer read in the file's bytes stays in its words, on the second line.
    EXPECT_EQ(script.messages[1].text.rfind("Ungültige RM-Datei oder keine verwendbaren Streams\nNot a RealMedia file", 0),
              0u)
        << script.messages[1].text;
    for (const MessageBoxRequest& message : script.messages)
        EXPECT_EQ(message.caption, "Fehler");
}

TEST_F(LanguageTest, StartAndEndProblemsAreTheDialogsSentences)
{
    ASSERT_NE(Use("de"), "");
    Show([this](CMuxDlg& d) {
        Add(d, dataFile("audio_ac3_meta.rm"));
        Tick(d.m_tree, 0, 0);
        auto* start = static_cast<QLineEdit*>(Control(d, IDC_START));
        auto* end = static_cast<QLineEdit*>(Control(d, IDC_END));
        start->setText("soon");
        Press(d, IDOK);
        start->setText("20");
        end->setText("10");
        Press(d, IDOK);
    });
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[0].text.rfind("Anfang „soon“ ist keine Zeit: Geben Sie Sekunden (90.5) oder ", 0), 0u)
        << script.messages[0].text;
    EXPECT_EQ(script.messages[1].text.rfind("Ende (", 0), 0u) << script.messages[1].text;
    EXPECT_NE(script.messages[1].text.find(") muss nach dem Anfang ("), std::string::npos) << script.messages[1].text;
    for (const MessageBoxRequest& message : script.messages)
        EXPECT_EQ(message.caption, "Fehler");
}

TEST_F(LanguageTest, QtsStandardButtonsComeFromQtsOwnCatalogue)
{
    const struct {
        const char* language;
        const char* yes;
        const char* no;
    } cases[] = {{"de", "&Ja", "&Nein"}, {"ru", "&Да", "&Нет"}, {"en", "&Yes", "&No"}};
    for (const auto& c : cases) {
        Use(c.language);
        QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString(c.yes)) << c.language;
        EXPECT_EQ(box.button(QMessageBox::No)->text(), QString(c.no)) << c.language;
    }
}

TEST_F(LanguageTest, SystemMenuAndFileDialogFilterAreTranslated)
{
    ASSERT_NE(Use("de"), "");
    Show([this](CMuxDlg& d) {
        const QList<QAction*> actions = d.GetSystemMenu(FALSE)->GetSafeHmenu()->actions();
        QStringList texts;
        for (const QAction* action : actions)
            texts << action->text();
        EXPECT_EQ(texts, (QStringList{"&Minimieren", "&Schließen\tAlt+F4", "", "&Über Kestrova..."}));
        script.CancelFileDialog();
        Press(d, IDC_ADD);
    });
    ASSERT_EQ(script.fileDialogs.size(), 1u);
    EXPECT_EQ(script.fileDialogs[0].filter, "RealMedia-Dateien (*.rm,*.rmvb)|*.rm;*.rmvb||");
}

// Run by ctest under LANG=zh_CN.UTF-8 and LANG=de_DE.UTF-8 (naming the
// language expected in KESTROVA_EXPECTED_LANGUAGE) as well as in the
// environment of the run: the program's own start installs the
// translations of whatever language the locale names.
TEST_F(MainDialogTest, SpeaksTheLanguageOfTheUsersLocale)
{
    CWinApp* app = AfxGetApp();
    ASSERT_NE(app, nullptr);
    const CString installedFolder = app->m_translationFolder;
    app->m_translationFolder = KESTROVA_TRANSLATIONS_FROM_TESTS;
    const Words& words = WordsFor(QLocale::system());
    if (const char* expected = std::getenv("KESTROVA_EXPECTED_LANGUAGE")) {
        ASSERT_EQ(words.language, std::string(expected));
    }
    EXPECT_EQ(app->InstallTranslations().empty(), &words == &kEnglish) << QLocale::system().name().toStdString();
    app->m_translationFolder = installedFolder;
    Show([&](CMuxDlg& d) { ExpectWords(script, d, words); });
    AfxInstallTranslations(QLocale(QLocale::English), "kestrova", {});
}

}  // namespace
