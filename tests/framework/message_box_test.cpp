// Message boxes as Qt shows them, with no script: the buttons of each type
// and the answer each button gives.
#include <functional>
#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "framework/message_box.h"

namespace {

// Shows a box and lets `user` answer it once it is up; returns the answer.
int ShowAndAnswer(UINT type, const std::function<void(QMessageBox&)>& user)
{
    QTimer::singleShot(0, [&user] {
        QMessageBox* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); }));
        user(*box);
        if (box->isVisible())
            box->done(QMessageBox::Cancel);
    });
    return AfxShowMessageBox(nullptr, "Text", "Caption", type);
}

TEST(MessageBox, AQuestionAnswersYesOrNoAndEscapeIsNo)
{
    const auto press = [](QMessageBox::StandardButton button) {
        return [button](QMessageBox& box) {
            EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
            EXPECT_EQ(box.icon(), QMessageBox::Warning);
            box.button(button)->click();
        };
    };
    EXPECT_EQ(ShowAndAnswer(MB_YESNO | MB_ICONEXCLAMATION, press(QMessageBox::Yes)), IDYES);
    EXPECT_EQ(ShowAndAnswer(MB_YESNO | MB_ICONEXCLAMATION, press(QMessageBox::No)), IDNO);
    EXPECT_EQ(ShowAndAnswer(MB_YESNO | MB_ICONEXCLAMATION, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
              IDNO);
}

TEST(MessageBox, AnOkBoxHasOnlyOk)
{
    EXPECT_EQ(ShowAndAnswer(MB_ICONHAND | MB_OK,
                            [](QMessageBox& box) {
                                EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
                                EXPECT_EQ(box.text(), "Text");
                                EXPECT_EQ(box.windowTitle(), "Caption");
                                EXPECT_EQ(box.icon(), QMessageBox::Critical);
                                box.button(QMessageBox::Ok)->click();
                            }),
              IDOK);
}

}  // namespace
