#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <QObject>
#include <QString>

#include "common/data_folder.h"
#include "gui/window_activation.h"

class QLocalServer;
class QLocalSocket;

namespace qv {

// What a second start asks of the tray program already running on its data folder.
struct InstanceRequest {
    enum class Kind { Show, Exit };
    Kind kind = Kind::Show;
    // What the launcher handed the second start, for the window it asks for.
    LaunchTokens tokens;

    // The request as it travels: a line per field, ended by an empty line.
    QByteArray encode() const;
    // Nothing for a request that is not one (unknown words, fields of the wrong form, too long).
    static std::optional<InstanceRequest> decode(const QByteArray& bytes);
    static constexpr int MAX_SIZE = 4096;
};

// Where one user's tray program on `folder` listens: a socket in the user's runtime folder
// ($XDG_RUNTIME_DIR/quorvane, which only the user may enter), named after the data folder. Nothing
// (with `why` set) when there is no runtime folder that is the user's alone.
std::optional<std::string> instanceChannelPath(const DataFolder& folder, std::string& why);

// The running program's end of the channel. Only the user's own processes can reach the socket,
// and each connection's peer is checked to be that user all the same.
class InstanceChannel final : public QObject {
    Q_OBJECT
public:
    // Listens for the program on `folder`, which this process holds (so no other program serves
    // it and a socket left by an earlier one may go). Requests are read by the event loop.
    explicit InstanceChannel(const DataFolder& folder, QObject* parent = nullptr);
    ~InstanceChannel() override;

    bool listening() const;
    // Why it does not listen.
    const std::string& problem() const { return m_problem; }

signals:
    void requested(const InstanceRequest& request);

private:
    void accept();
    void read(QLocalSocket& socket, QByteArray& pending);

    QLocalServer* m_server = nullptr;
    std::string m_problem;
};

// Asks the program that serves `folder` for this user, waiting up to `limit` for its answer (it
// listens from the moment it holds the folder, and answers once started); false when none
// listens or it did not answer.
bool askRunningProgram(const DataFolder& folder, const InstanceRequest& request,
                       std::chrono::milliseconds limit);

} // namespace qv
