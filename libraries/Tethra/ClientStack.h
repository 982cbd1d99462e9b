#pragma once
// The stack of clients of a control wrapper: only the top client hears the
// control's events. Pushing detaches every client below; popping hands the
// wrapper back to the client that is on top again.
#include <cstdint>
#include <string>

#include "automation/Collection.h"
#include "automation/Error.h"
#include "automation/Ref.h"

namespace Tethra {

template <class Client> class ClientStack {
public:
    // Refused before anything changes when the client is already on the stack.
    template <class Detach> void push(const Automation::Ref<Client>& client, Detach detach) {
        std::string key = keyOf(client);
        if (clients_.Exists(key))
            Automation::raise(Automation::RuntimeError::KeyAlreadyAssociated, {});
        for (auto& below : clients_)
            detach(below);
        clients_.Add(client, key);
    }

    // Error 5 for a client that is not on the stack, which then stays as it was.
    template <class Attach>
    Automation::Ref<Client> pop(const Automation::Ref<Client>& client, Attach attach) {
        std::string key = keyOf(client);
        Automation::Ref<Client> removed = clients_.Item(key);
        clients_.Remove(key);
        if (clients_.Count() > 0)
            attach(clients_.Item(clients_.Count()));
        return removed;
    }

    // Nothing with an empty stack.
    Automation::Ref<Client> top() const {
        return clients_.Count() > 0 ? clients_.Item(clients_.Count()) : Automation::Ref<Client>();
    }
    int32_t count() const { return clients_.Count(); }
    void clear() { clients_.Clear(); }

private:
    static std::string keyOf(const Automation::Ref<Client>& client) {
        return "op:" + std::to_string(client.identity());
    }

    Automation::Collection<Automation::Ref<Client>> clients_;
};

} // namespace Tethra
