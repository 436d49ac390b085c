// Packets read from a source and waiting for their turn in the output.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "rm/records.h"

// One packet in memory: its header image (stream_number already the output
// number once it is selected) and its payload, the length - 12 bytes that
// follow the header on disk.
struct PacketNode {
    rm::RmPacketHeader header{};
    std::unique_ptr<uint8_t[]> body;

    uint32_t payloadSize() const { return header.length - rm::kPacketHeaderSize; }
};

// First-in first-out queue of packets read ahead for one output stream.
class PacketQueue {
public:
    void init() { m_nodes.clear(); }
    void push(std::unique_ptr<PacketNode> node) { m_nodes.push_back(std::move(node)); }
    // Only called on a non-empty queue.
    std::unique_ptr<PacketNode> pop()
    {
        auto node = std::move(m_nodes.front());
        m_nodes.pop_front();
        return node;
    }
    bool isEmpty() const { return m_nodes.empty(); }
    std::size_t count() const { return m_nodes.size(); }

private:
    std::deque<std::unique_ptr<PacketNode>> m_nodes;
};
