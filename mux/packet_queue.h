// Packets found in a source and waiting for their turn in the output.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "rm/records.h"

// One packet waiting for the output: its header image as read, and where
// it lies in its source. Its bytes stay in the window of the cursor that
// found it until it is written; nothing of it is copied before then.
struct PacketNode {
    rm::RmPacketHeader header;
    uint64_t offset;  // the packet's first byte in its source
};

// First-in first-out queue of packets found ahead for one output stream,
// holding at most kCapacity of them, whatever the layout of the source.
class PacketQueue {
public:
    static constexpr std::size_t kCapacity = 2048;

    // Empties the queue; the first push gives it its room.
    void init()
    {
        m_head = m_count = m_highWater = 0;
    }
    // False, and nothing queued, when the queue is full.
    bool push(const PacketNode& node)
    {
        if (m_count == kCapacity)
            return false;
        if (!m_nodes)
            m_nodes = std::make_unique_for_overwrite<PacketNode[]>(kCapacity);
        m_nodes[(m_head + m_count) % kCapacity] = node;
        m_highWater = std::max(m_highWater, ++m_count);
        return true;
    }
    // Only called on a non-empty queue.
    const PacketNode& front() const { return m_nodes[m_head]; }
    PacketNode pop()
    {
        const PacketNode node = m_nodes[m_head];
        m_head = (m_head + 1) % kCapacity;
        --m_count;
        return node;
    }
    // Lets go of the room as well.
    void release()
    {
        init();
        m_nodes.reset();
    }
    bool isEmpty() const { return m_count == 0; }
    std::size_t count() const { return m_count; }
    // The most packets the queue has held since init().
    std::size_t highWater() const { return m_highWater; }

private:
    std::unique_ptr<PacketNode[]> m_nodes;
    std::size_t m_head = 0;
    std::size_t m_count = 0;
    std::size_t m_highWater = 0;
};
