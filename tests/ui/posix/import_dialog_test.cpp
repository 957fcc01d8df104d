// Needs inotify to see which files the dialog opens; Windows reports no opens.
// The Import button's file dialog, shown for real over a simulated drive:
// listing a folder reads none of its files on the window's thread, so a big
// or slow folder does not hold the window while the dialog fills.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "support/session_over_sim.h"
#include "support/temp_folder.h"
#include "ui/window/main_window.h"

namespace qx7::ui {
namespace {

using editor::ControlId;

// The names of the files in `folder` opened since the watch began.
class OpenWatch {
public:
    explicit OpenWatch(const std::filesystem::path& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
    }
    ~OpenWatch() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    std::set<std::string> FilesOpened() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (!(event->mask & IN_ISDIR) && event->len > 0) opened_.insert(event->name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return opened_;
    }

private:
    int fd_;
    std::set<std::string> opened_;
};

TEST(ImportDialog, ListsAFolderWithoutReadingItsFiles) {
    const qx7::test::TempFolder temp("qx7-import-dialog");
    const std::filesystem::path& folder = temp.path();
    std::filesystem::create_directories(folder / "sub");
    // Names that say nothing of their content: a file type can only be told
    // by reading them.
    const std::set<std::string> names = {"notes", "saved.qx7", "blob.unknownext", "README"};
    for (const std::string& name : names) std::ofstream(folder / name) << "#!/bin/sh\necho " << name << "\n";

    test_support::SessionOverSim run;
    ASSERT_TRUE(run.WaitIdle());
    run.desk->dialogs().set_automatic(false);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder.string())));  // where the dialog opens
    OpenWatch watch(folder);
    ASSERT_TRUE(watch.ok()) << errno;

    // The dialog runs its own event loop: it is looked at, and closed, from
    // a timer inside that loop, once it lists every entry of the folder.
    bool listed = false;
    bool closed = false;
    int looks = 0;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        auto* model = dialog->findChild<QFileSystemModel*>();
        // The folder and the one configuration file are listed (the filter
        // hides the rest).
        listed = model && model->rowCount(model->index(dialog->directory().absolutePath())) >= 2;
        if (!listed && ++looks < 1000) return;
        QTest::qWait(200);  // whatever the listing does next, it has done by now
        dialog->reject();
        closed = true;
    });
    look.start(10);
    QTest::mouseClick(run.desk->window().Control(ControlId::Import), Qt::LeftButton);
    EXPECT_TRUE(test_support::WaitFor([&] { return closed; }, 20000));
    look.stop();
    EXPECT_TRUE(run.WaitIdle());
    QDir::setCurrent(before);
    EXPECT_TRUE(listed);
    EXPECT_EQ(watch.FilesOpened(), std::set<std::string>{}) << "files read to list the folder";
}

}  // namespace
}  // namespace qx7::ui
