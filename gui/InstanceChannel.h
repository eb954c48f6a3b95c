// The running desktop program's door for later starts: it listens on a local
// socket of the user's own, and a second start hands its files through it and
// ends instead of opening a window of its own (app/InstanceHandOver.h).
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    enum class THandOver {
        NoInstance, // nobody listens (or a dead program's socket): this start runs the window
        Delivered,  // the running program took the files
        NoAnswer,   // something listens but did not take them in time
    };
    static constexpr int HandOverTimeoutMs = 5000;

    // `name`: the socket's path (InstanceSocketPath).
    explicit InstanceChannel(QString name, QObject* parent = nullptr);

    // A second start: hands `paths` (absolute) to the program listening on `name`.
    static THandOver HandOver(const QString& name, const QStringList& paths,
                              int timeoutMs = HandOverTimeoutMs);
    // The first start listens; a socket file left by a program that died is
    // replaced. Call only after HandOver found no instance. False when the
    // socket cannot be made (the program still runs, alone).
    bool Listen();
    QString ErrorText() const { return server_.errorString(); }

signals:
    // A later start's files (possibly none: it only wants the window shown).
    void PathsArrived(const QStringList& paths);

private:
    void TakeConnection();

    QString name_;
    QLocalServer server_;
};
