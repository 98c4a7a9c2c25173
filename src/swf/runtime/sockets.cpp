// The sockets a movie opens (XMLSocket). Nothing here reaches a network: a
// connection is answered by the peer the player was given for it, or fails.
// Whatever happens at the far end reaches the movie on the next frame, the
// earliest a real server's answer could.

#include "swf/runtime/movie_runtime.h"

#include <QUrl>

namespace swf::runtime {

namespace {

// The server a movie means when it names none: the host of the address it
// came from, "localhost" for a movie read from a file.
std::string ownServer(const std::string& movieUrl)
{
    const QUrl url(QString::fromStdString(movieUrl));
    const QString host = url.host();
    return host.isEmpty() ? std::string("localhost") : host.toStdString();
}

} // namespace

std::uint64_t MovieRuntime::openSocket(const std::string& server, int port, script::Object* keep,
                                       script::SocketEvents events)
{
    const std::string name = server.empty() ? ownServer(m_files.url()) : server;
    Socket socket;
    socket.keep = keep;
    socket.events = std::move(events);
    if (socketPeers)
        socket.peer = socketPeers(name, port);
    const std::uint64_t id = ++m_lastSocket;
    m_sockets.emplace(id, std::move(socket));
    return id;
}

void MovieRuntime::sendOnSocket(std::uint64_t id, const std::string& bytes)
{
    const auto it = m_sockets.find(id);
    if (it != m_sockets.end() && it->second.announced && it->second.peer)
        it->second.peer->receive(bytes);
}

void MovieRuntime::closeSocket(std::uint64_t id)
{
    const auto it = m_sockets.find(id);
    if (it == m_sockets.end())
        return;
    if (it->second.peer && it->second.announced)
        it->second.peer->movieClosed();
    m_sockets.erase(it);
}

// A frame of every open socket: a new one hears whether it connected, an
// open one what its peer sends. The movie's handlers may close any socket,
// this one included, so each is looked up again after every call.
void MovieRuntime::serveSockets()
{
    std::vector<std::uint64_t> ids;
    for (const auto& [id, socket] : m_sockets)
        ids.push_back(id);
    for (const std::uint64_t id : ids) {
        auto it = m_sockets.find(id);
        if (it == m_sockets.end())
            continue;
        Socket& socket = it->second;
        if (!socket.announced) {
            socket.announced = true;
            const bool made = socket.peer != nullptr;
            const auto connected = socket.events.connected;
            if (!made)
                m_sockets.erase(it);
            if (connected)
                connected(made);
            continue;
        }
        const SocketPeer::Turn turn = socket.peer->turn();
        for (const std::string& bytes : turn.sent) {
            it = m_sockets.find(id);
            if (it == m_sockets.end())
                break;
            if (const auto received = it->second.events.received)
                received(bytes);
        }
        it = m_sockets.find(id);
        if (turn.closes && it != m_sockets.end()) {
            const auto closed = it->second.events.closed;
            m_sockets.erase(it);
            if (closed)
                closed();
        }
    }
}

} // namespace swf::runtime
