#include "platform/fake/FakeConnectivity.h"

namespace platform {

bool FakeConnectivity::GetConnectedState(unsigned& flags)
{
    ++m_queries;
    if (m_failing) {
        flags = 0;
        return false;
    }
    Answer answer = m_state;
    if (!m_queue.empty()) {
        answer = m_queue.front();
        m_queue.pop_front();
    }
    flags = answer.flags;
    return answer.online;
}

void FakeConnectivity::SetFlags(unsigned flags)
{
    m_state = {flags != 0, flags};
}

void FakeConnectivity::QueueAnswers(std::initializer_list<Answer> answers)
{
    m_queue.insert(m_queue.end(), answers.begin(), answers.end());
}

} // namespace platform
