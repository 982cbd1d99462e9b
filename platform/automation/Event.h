#pragma once
// An automation event: handlers run synchronously, over a snapshot of the
// handlers connected when the event was raised, so a handler may disconnect
// handlers or destroy the object that raised the event.
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace Platform::Automation {

class EventConnection;

template <class... Args> class Event {
    struct Slot {
        uint64_t id;
        std::function<void(Args...)> handler;
        bool connected = true;
    };
    struct State {
        std::vector<std::shared_ptr<Slot>> handlers;
        uint64_t nextId = 1;
        void disconnect(uint64_t id) {
            for (auto it = handlers.begin(); it != handlers.end(); ++it)
                if ((*it)->id == id) {
                    (*it)->connected = false;
                    handlers.erase(it);
                    return;
                }
        }
    };

public:
    Event() : state_(std::make_shared<State>()) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event() {
        for (auto& slot : state_->handlers)
            slot->connected = false;
    }

    // Returns a handle that disconnects the handler when it is destroyed.
    [[nodiscard]] EventConnection connect(std::function<void(Args...)> handler);

    void raise(Args... args) const {
        auto snapshot = state_->handlers;
        for (auto& slot : snapshot)
            if (slot->connected)
                slot->handler(args...);
    }

    bool hasHandlers() const { return !state_->handlers.empty(); }

private:
    std::shared_ptr<State> state_;
};

class EventConnection {
public:
    EventConnection() = default;
    EventConnection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
    EventConnection(EventConnection&& other) noexcept : disconnect_(std::exchange(other.disconnect_, {})) {}
    EventConnection& operator=(EventConnection&& other) noexcept {
        if (this != &other) {
            disconnect();
            disconnect_ = std::exchange(other.disconnect_, {});
        }
        return *this;
    }
    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;
    ~EventConnection() { disconnect(); }

    void disconnect() {
        if (auto d = std::exchange(disconnect_, {}))
            d();
    }
    bool connected() const { return static_cast<bool>(disconnect_); }

private:
    std::function<void()> disconnect_;
};

template <class... Args> EventConnection Event<Args...>::connect(std::function<void(Args...)> handler) {
    auto slot = std::make_shared<Slot>(Slot{state_->nextId++, std::move(handler)});
    state_->handlers.push_back(slot);
    std::weak_ptr<State> weak = state_;
    uint64_t id = slot->id;
    return EventConnection([weak, id] {
        if (auto state = weak.lock())
            state->disconnect(id);
    });
}

} // namespace Platform::Automation
