#pragma once

#include "emulator/tarsis_emulator.h"
#include "link/channel_factory.h"
#include "shell/gui_operator.h"
#include "shell/link_worker.h"
#include "shell/upload_window.h"
#include "shell_fixture.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace kovo::testing {

// A main window started on a sample database, its link on the built-in emulator with a short
// answer time-out.
class LinkWindowTest : public ShellTest {
protected:
    KovoMain& startOnEmulator() {
        KovoMain& main = startWithSample();
        settings->setComPort(ChannelFactory::builtInEmulatorName());
        main.linkWorker().setAnswerTimeoutMs(250);
        emulator = main.builtInEmulator();
        return main;
    }

    // Waits (letting events run) until the link thread has no job; false on the hang guard.
    bool waitIdle() {
        return QTest::qWaitFor([&] { return !window->linkWorker().busy(); }, 60000);
    }

    // Opens the upload window as its menu item does and waits for the port to be open.
    UploadWindow& openUploadWindow() {
        window->menuAction(QStringLiteral("mnuTarsisUpload"))->trigger();
        EXPECT_TRUE(waitIdle());
        UploadWindow* upload = window->uploadWindow();
        EXPECT_TRUE(upload->isVisible());
        emulator->clearRecords();
        return *upload;
    }

    QPushButton* button(const QString& name) {
        return window->uploadWindow()->findChild<QPushButton*>(name);
    }

    void clickAndWait(const QString& name) {
        QPushButton* target = button(name);
        ASSERT_NE(target, nullptr) << qPrintable(name);
        ASSERT_TRUE(target->isEnabled()) << qPrintable(name);
        target->click();
        ASSERT_TRUE(waitIdle());
    }

    std::shared_ptr<TarsisEmulator> emulator;
};

} // namespace kovo::testing
