#pragma once
// One copy of the program per user session: the first copy listens on a
// local server named after the user and session; a second start connects to it, asks it
// to raise its window, and ends.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

namespace qx7::ui {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `name` identifies the program; the user and session are added to it.
    explicit SingleInstance(const QString& name);
    ~SingleInstance() override;

    // True when another copy runs (and was asked to raise its window);
    // false when this copy is now the one that others find.
    bool AnotherCopyRuns();

    const QString& server_name() const { return server_name_; }

signals:
    // A later start asked this copy to show itself.
    void raiseRequested();

private:
    QString server_name_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace qx7::ui
