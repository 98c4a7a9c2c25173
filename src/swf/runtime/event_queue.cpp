#include "swf/runtime/event_queue.h"

namespace swf::runtime {

void EventQueue::push(std::unique_ptr<Job> job, Priority priority)
{
    if (m_marking && priority != Priority::Normal)
        job->afterCall = true;
    m_queues[int(priority)].push_back(std::move(job));
}

std::unique_ptr<Job> EventQueue::nextAfterCall()
{
    for (auto* queue : {&m_queues[int(Priority::Initialize)], &m_queues[int(Priority::Construct)]}) {
        for (auto it = queue->begin(); it != queue->end(); ++it) {
            if ((*it)->afterCall) {
                std::unique_ptr<Job> job = std::move(*it);
                queue->erase(it);
                return job;
            }
        }
    }
    return nullptr;
}

std::unique_ptr<Job> EventQueue::next()
{
    for (auto& queue : m_queues) {
        if (!queue.empty()) {
            std::unique_ptr<Job> job = std::move(queue.front());
            queue.pop_front();
            return job;
        }
    }
    return nullptr;
}

void EventQueue::clear()
{
    for (auto& queue : m_queues)
        queue.clear();
}

void EventQueue::addObjects(std::vector<script::Object*>& out) const
{
    for (const auto& queue : m_queues) {
        for (const auto& job : queue) {
            out.push_back(job->self);
            if (job->keep)
                out.push_back(job->keep);
        }
    }
}

} // namespace swf::runtime
