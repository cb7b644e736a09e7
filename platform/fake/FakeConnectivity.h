#pragma once

#include "platform/Platform.h"

#include <deque>
#include <initializer_list>

namespace platform {

// Connectivity answers chosen by the test. Queued answers are given first, one
// per query, in order; once they run out the steady state answers again.
class FakeConnectivity final : public IConnectivity {
public:
    struct Answer {
        bool online = false;
        unsigned flags = 0;
    };

    bool GetConnectedState(unsigned& flags) override;

    // The steady state: SetFlags also sets online when any flag is set;
    // SetState allows any pair (e.g. online with no flags).
    void SetFlags(unsigned flags);
    void SetOnline(bool online) { m_state.online = online; }
    void SetState(bool online, unsigned flags) { m_state = {online, flags}; }

    void QueueAnswer(bool online, unsigned flags) { m_queue.push_back({online, flags}); }
    void QueueAnswers(std::initializer_list<Answer> answers);
    void ClearQueue() { m_queue.clear(); }
    std::size_t PendingAnswers() const { return m_queue.size(); }

    // A failing query answers offline with no flags, like a real one that
    // cannot read the system; the queue is left untouched meanwhile.
    void SetFailing(bool failing) { m_failing = failing; }

    int QueryCount() const { return m_queries; }

private:
    Answer m_state;
    std::deque<Answer> m_queue;
    bool m_failing = false;
    int m_queries = 0;
};

} // namespace platform
