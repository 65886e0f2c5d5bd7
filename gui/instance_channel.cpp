#include "gui/instance_channel.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace qv {
namespace {

constexpr const char* SHOW = "show";
constexpr const char* EXIT = "exit";
constexpr const char* TOKEN = "token ";
constexpr const char* STARTUP = "startup ";
constexpr const char* ANSWER = "ok\n";
constexpr int FIELD_LIMIT = 1024;
constexpr auto READ_LIMIT = std::chrono::seconds(2);

// Launchers' tokens are printable words; anything else is dropped rather than passed on.
bool isWord(const QByteArray& text) {
    if (text.isEmpty() || text.size() > FIELD_LIMIT) {
        return false;
    }
    for (char c : text) {
        if (c <= ' ' || c > '~') {
            return false;
        }
    }
    return true;
}

std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

// A folder of this user's alone: a real folder (not a link), owned by the user, that no one else
// may enter or write.
bool ownPrivateFolder(const std::string& path, std::string& why) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        why = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
        why = path + " is not a folder of this user's alone";
        return false;
    }
    return true;
}

bool peerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                        &size) == 0 &&
           peer.uid == ::getuid();
}

} // namespace

QByteArray InstanceRequest::encode() const {
    QByteArray bytes = kind == Kind::Show ? SHOW : EXIT;
    bytes += '\n';
    if (isWord(tokens.activationToken.toUtf8())) {
        bytes += TOKEN + tokens.activationToken.toUtf8() + '\n';
    }
    if (isWord(tokens.startupId.toUtf8())) {
        bytes += STARTUP + tokens.startupId.toUtf8() + '\n';
    }
    return bytes + '\n';
}

std::optional<InstanceRequest> InstanceRequest::decode(const QByteArray& bytes) {
    if (bytes.size() > MAX_SIZE || !bytes.endsWith("\n\n")) {
        return std::nullopt;
    }
    const QList<QByteArray> lines = bytes.left(bytes.size() - 2).split('\n');
    InstanceRequest request;
    if (lines.front() == SHOW) {
        request.kind = Kind::Show;
    } else if (lines.front() == EXIT) {
        request.kind = Kind::Exit;
    } else {
        return std::nullopt;
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        QString* field = line.startsWith(TOKEN)     ? &request.tokens.activationToken
                         : line.startsWith(STARTUP) ? &request.tokens.startupId
                                                    : nullptr;
        const QByteArray value = line.mid(line.indexOf(' ') + 1);
        if (field == nullptr || !isWord(value)) {
            return std::nullopt;
        }
        *field = QString::fromUtf8(value);
    }
    return request;
}

std::optional<std::string> instanceChannelPath(const DataFolder& folder, std::string& why) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        why = "XDG_RUNTIME_DIR is not set";
        return std::nullopt;
    }
    if (!ownPrivateFolder(runtime, why)) {
        return std::nullopt;
    }
    const std::string channels = std::string(runtime) + "/quorvane";
    if (::mkdir(channels.c_str(), 0700) != 0 && errno != EEXIST) {
        why = channels + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!ownPrivateFolder(channels, why)) {
        return std::nullopt;
    }
    std::error_code error;
    const std::filesystem::path canonical =
        std::filesystem::weakly_canonical(folder.folder(), error);
    char name[17];
    std::snprintf(
        name, sizeof name, "%016llx",
        static_cast<unsigned long long>(fnv1a((error ? folder.folder() : canonical).string())));
    const std::string path = channels + "/" + name;
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        why = path + " is too long for a socket";
        return std::nullopt;
    }
    return path;
}

InstanceChannel::InstanceChannel(const DataFolder& folder, QObject* parent) : QObject(parent) {
    const auto path = instanceChannelPath(folder, m_problem);
    if (!path) {
        return;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(QString::fromStdString(*path));
    if (!m_server->listen(QString::fromStdString(*path))) {
        m_problem = *path + ": " + m_server->errorString().toStdString();
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::accept);
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listening() const {
    return m_server != nullptr && m_server->isListening();
}

void InstanceChannel::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(*socket)) {
            socket->abort();
            continue;
        }
        auto pending = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, pending] { read(*socket, *pending); });
        QTimer::singleShot(READ_LIMIT, socket, [socket] { socket->abort(); });
    }
}

// A request is answered once it is whole; one that cannot be is cut off.
void InstanceChannel::read(QLocalSocket& socket, QByteArray& pending) {
    pending += socket.read(InstanceRequest::MAX_SIZE + 1 - pending.size());
    if (!pending.endsWith("\n\n")) {
        if (pending.size() > InstanceRequest::MAX_SIZE) {
            socket.abort();
        }
        return;
    }
    const auto request = InstanceRequest::decode(pending);
    if (!request) {
        socket.abort();
        return;
    }
    socket.write(ANSWER);
    socket.disconnectFromServer();
    emit requested(*request);
}

bool askRunningProgram(const DataFolder& folder, const InstanceRequest& request,
                       std::chrono::milliseconds limit) {
    std::string why;
    const auto path = instanceChannelPath(folder, why);
    if (!path) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(*path));
    if (!socket.waitForConnected(static_cast<int>(limit.count()))) {
        return false;
    }
    socket.write(request.encode());
    socket.flush();
    // The running program answers once its event loop runs, which may be after its start-up.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    QByteArray answer;
    while (!answer.endsWith('\n') && std::chrono::steady_clock::now() < deadline &&
           (socket.state() == QLocalSocket::ConnectedState || socket.bytesAvailable() > 0)) {
        socket.waitForReadyRead(100);
        answer += socket.read(InstanceRequest::MAX_SIZE);
    }
    return answer == ANSWER;
}

} // namespace qv
