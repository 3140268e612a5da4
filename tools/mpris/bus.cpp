#include "tools/mpris/bus.h"

#include <map>
#include <memory>
#include <sdbus-c++/sdbus-c++.h>

namespace lumivox::mpris {

namespace {

const std::string players_prefix = "org.mpris.MediaPlayer2.";
const std::string player_path = "/org/mpris/MediaPlayer2";
const std::string player_interface = "org.mpris.MediaPlayer2.Player";
const std::string properties_interface = "org.freedesktop.DBus.Properties";
const std::string bus_name = "org.freedesktop.DBus";

// A read a player does not answer within this fails: the one thread that
// handles the bus and the timers must not stall on a hung player.
constexpr uint64_t call_timeout_us = 500000;

using Dictionary = std::map<std::string, sdbus::Variant>;

std::unique_ptr<sdbus::IConnection> connection;
std::unique_ptr<sdbus::IProxy> bus_proxy;
std::vector<sdbus::Slot> matches;
// Each player's name and its connection's unique name, which its signals
// come from.
std::map<std::string, std::string> owners;
// What the signals brought, with the sender of those not yet resolved.
struct Arrived {
    BusEvent event;
    std::string unresolved;
};
std::vector<Arrived> arrived;

bool is_player_name(const std::string& name) {
    return name.size() > players_prefix.size() &&
           name.compare(0, players_prefix.size(), players_prefix) == 0;
}

std::optional<Status> status_of(const sdbus::Variant& value) {
    if (!value.containsValueOfType<std::string>())
        return std::nullopt;
    std::string text = value.get<std::string>();
    if (text == "Playing")
        return Status::playing;
    if (text == "Paused")
        return Status::paused;
    if (text == "Stopped")
        return Status::stopped;
    return std::nullopt;
}

std::string text_of(const sdbus::Variant& value) {
    if (value.containsValueOfType<std::string>())
        return value.get<std::string>();
    if (value.containsValueOfType<sdbus::ObjectPath>())
        return value.get<sdbus::ObjectPath>();
    return "";
}

// Players disagree on whether the artist is a list; both are taken.
std::string first_text_of(const sdbus::Variant& value) {
    if (value.containsValueOfType<std::vector<std::string>>()) {
        auto list = value.get<std::vector<std::string>>();
        return list.empty() ? "" : list.front();
    }
    return text_of(value);
}

std::optional<PlayerTrack> track_of(const sdbus::Variant& value) {
    if (!value.containsValueOfType<Dictionary>())
        return std::nullopt;
    PlayerTrack track;
    for (const auto& [key, entry] : value.get<Dictionary>()) {
        if (key == "mpris:trackid")
            track.id = text_of(entry);
        else if (key == "xesam:url")
            track.url = text_of(entry);
        else if (key == "xesam:title")
            track.title = text_of(entry);
        else if (key == "xesam:artist")
            track.artist = first_text_of(entry);
    }
    return track;
}

// The player a signal comes from, by its sender's unique name; empty when
// it is none of the players known.
std::string player_of(const std::string& sender) {
    for (const auto& [name, owner] : owners) {
        if (owner == sender)
            return name;
    }
    return "";
}

std::string owner_of(const std::string& name) {
    std::string owner;
    try {
        auto call = bus_proxy->createMethodCall(bus_name, "GetNameOwner");
        call << name;
        auto reply = bus_proxy->callMethod(call, call_timeout_us);
        reply >> owner;
    } catch (const sdbus::Error&) {
        return "";
    }
    return owner;
}

void on_name_owner(sdbus::Message& message) {
    std::string name, old_owner, new_owner;
    try {
        message >> name >> old_owner >> new_owner;
    } catch (const sdbus::Error&) {
        return;
    }
    if (!is_player_name(name))
        return;
    if (!old_owner.empty()) {
        owners.erase(name);
        arrived.push_back({{BusEvent::Kind::vanished, name, {}, {}, 0}, ""});
    }
    if (!new_owner.empty()) {
        owners[name] = new_owner;
        arrived.push_back({{BusEvent::Kind::appeared, name, {}, {}, 0}, ""});
    }
}

// The player a signal comes from. A sender not yet known as a player's (one
// that took its name before this program listened) is looked up once the
// pending messages are handled: no call is made while they are dispatched.
std::string sender_player(sdbus::Message& message, std::string& unresolved) {
    std::string sender = message.getSender();
    std::string player = player_of(sender);
    if (player.empty())
        unresolved = sender;
    return player;
}

void on_properties(sdbus::Message& message) {
    std::string interface;
    Dictionary changed;
    try {
        message >> interface >> changed;
    } catch (const sdbus::Error&) {
        return;
    }
    if (interface != player_interface)
        return;
    BusEvent event;
    event.kind = BusEvent::Kind::changed;
    if (auto status = changed.find("PlaybackStatus"); status != changed.end())
        event.status = status_of(status->second);
    if (auto metadata = changed.find("Metadata"); metadata != changed.end())
        event.track = track_of(metadata->second);
    if (!event.status && !event.track)
        return;
    std::string unresolved;
    event.player = sender_player(message, unresolved);
    arrived.push_back({std::move(event), unresolved});
}

void on_seeked(sdbus::Message& message) {
    BusEvent event;
    event.kind = BusEvent::Kind::seeked;
    try {
        message >> event.position_us;
    } catch (const sdbus::Error&) {
        return;
    }
    std::string unresolved;
    event.player = sender_player(message, unresolved);
    arrived.push_back({std::move(event), unresolved});
}

bool read_property(const std::string& player, const std::string& name, sdbus::Variant& out) {
    if (connection == nullptr)
        return false;
    try {
        auto proxy = sdbus::createProxy(*connection, player, player_path);
        auto call = proxy->createMethodCall(properties_interface, "Get");
        call << player_interface << name;
        auto reply = proxy->callMethod(call, call_timeout_us);
        reply >> out;
    } catch (const sdbus::Error&) {
        return false;
    }
    return true;
}

} // namespace

bool connect_bus(std::string& error) {
    try {
        connection = sdbus::createSessionBusConnection();
        bus_proxy = sdbus::createProxy(*connection, bus_name, "/org/freedesktop/DBus");
        // Listening starts before the players are listed, so that none that
        // comes meanwhile is missed.
        matches.push_back(connection->addMatch(
            "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
            "member='NameOwnerChanged',arg0namespace='org.mpris.MediaPlayer2'",
            on_name_owner));
        matches.push_back(connection->addMatch(
            "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',"
            "path='/org/mpris/MediaPlayer2',arg0='org.mpris.MediaPlayer2.Player'",
            on_properties));
        matches.push_back(connection->addMatch(
            "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked',"
            "path='/org/mpris/MediaPlayer2'",
            on_seeked));
    } catch (const sdbus::Error& e) {
        disconnect_bus();
        error = "cannot reach the D-Bus session bus (" + e.getMessage() +
                "); start this in a desktop session, or run it under dbus-run-session";
        return false;
    }
    return true;
}

void disconnect_bus() {
    matches.clear();
    bus_proxy.reset();
    connection.reset();
    owners.clear();
    arrived.clear();
}

std::vector<std::string> player_names() {
    std::vector<std::string> names;
    if (bus_proxy == nullptr)
        return names;
    try {
        auto call = bus_proxy->createMethodCall(bus_name, "ListNames");
        auto reply = bus_proxy->callMethod(call, call_timeout_us);
        std::vector<std::string> all;
        reply >> all;
        for (const std::string& name : all) {
            if (is_player_name(name))
                names.push_back(name);
        }
    } catch (const sdbus::Error&) {
        return names;
    }
    for (const std::string& name : names) {
        std::string owner = owner_of(name);
        if (!owner.empty())
            owners[name] = owner;
    }
    return names;
}

bool read_status(const std::string& player, Status& out) {
    sdbus::Variant value;
    if (!read_property(player, "PlaybackStatus", value))
        return false;
    std::optional<Status> status = status_of(value);
    if (status)
        out = *status;
    return status.has_value();
}

bool read_track(const std::string& player, PlayerTrack& out) {
    sdbus::Variant value;
    if (!read_property(player, "Metadata", value))
        return false;
    std::optional<PlayerTrack> track = track_of(value);
    if (track)
        out = *track;
    return track.has_value();
}

bool read_position(const std::string& player, int64_t& microseconds) {
    sdbus::Variant value;
    if (!read_property(player, "Position", value) || !value.containsValueOfType<int64_t>())
        return false;
    microseconds = value.get<int64_t>();
    return true;
}

Clock::time_point clock_now() {
    return Clock::now();
}

BusPoll bus_poll() {
    BusPoll poll;
    if (connection == nullptr)
        return poll;
    try {
        auto data = connection->getEventLoopPollData();
        poll.fd = data.fd;
        poll.events = data.events;
        poll.timeout_ms = data.getPollTimeout();
    } catch (const sdbus::Error&) {
        poll.timeout_ms = 0; // process_bus reports it
    }
    return poll;
}

bool process_bus(std::vector<BusEvent>& events, std::string& error) {
    if (connection == nullptr) {
        error = "not connected to the session bus";
        return false;
    }
    try {
        while (connection->processPendingRequest()) {
        }
    } catch (const sdbus::Error& e) {
        error = "lost the D-Bus session bus: " + e.getMessage();
        return false;
    }
    bool listed = false;
    for (Arrived& a : arrived) {
        if (!a.unresolved.empty()) {
            if (!listed)
                player_names();
            listed = true;
            a.event.player = player_of(a.unresolved);
        }
        if (!a.event.player.empty())
            events.push_back(std::move(a.event));
    }
    arrived.clear();
    return true;
}

} // namespace lumivox::mpris
