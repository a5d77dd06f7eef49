#include "output/OctreeQuantizer.h"

#include "core/Error.h"

#include <array>
#include <bit>
#include <cstdint>
#include <queue>

namespace deptrix {

namespace {

constexpr int kDepth = 8;
constexpr std::size_t kStartLeaves = 4096;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

struct Node {
    std::uint64_t sum[3] = { 0, 0, 0 };
    std::uint32_t count = 0;
    std::uint32_t parent = kNone;
    std::uint32_t firstChild = 0; // children are contiguous: the tree is built from sorted keys
    std::uint8_t childCount = 0;
    std::uint8_t innerChildren = 0; // children that are not leaves yet
    bool leaf = false;
};

struct Merge {
    double cost;
    std::uint32_t node;
    // std::priority_queue keeps the largest on top: inverted for the cheapest, with the
    // node index deciding ties so that the result never depends on the heap's order.
    bool operator<(const Merge& other) const {
        return cost != other.cost ? cost > other.cost : node > other.node;
    }
};

/// The level whose nodes become the first leaves: the first one from the root down
/// with at least kStartLeaves nodes, or the full depth when none has. Merging the finer
/// levels whole saves building and pruning a tree of up to a million nodes; those are
/// the cheap merges that the pruning would make long before it gets down to a few
/// hundred leaves.
int StartLevel(const std::vector<std::uint32_t>& keys) {
    std::array<std::size_t, kDepth + 1> nodesPerLevel {};
    nodesPerLevel.fill(keys.empty() ? 0 : 1);
    for (std::size_t i = 1; i < keys.size(); ++i) {
        // Neighbouring sorted keys part at the level of the top bit of their difference.
        const std::uint32_t difference = keys[i] ^ keys[i - 1];
        const int group = (31 - std::countl_zero(difference)) / 3; // 7: they part at the root's children
        for (int level = kDepth - group; level <= kDepth; ++level) ++nodesPerLevel[level];
    }
    for (int level = 1; level <= kDepth; ++level)
        if (nodesPerLevel[level] >= kStartLeaves) return level;
    return kDepth;
}

class Octree {
public:
    explicit Octree(const ColourHistogram& histogram) { build(histogram); }

    void pruneTo(std::size_t maxLeaves) {
        std::priority_queue<Merge> ready;
        for (std::uint32_t i = 0; i < m_nodes.size(); ++i)
            if (!m_nodes[i].leaf && m_nodes[i].innerChildren == 0) ready.push({ mergeCost(i), i });
        while (m_leafCount > maxLeaves && !ready.empty()) {
            const std::uint32_t index = ready.top().node;
            ready.pop();
            Node& node = m_nodes[index];
            node.leaf = true;
            m_leafCount -= node.childCount - 1u;
            if (node.parent != kNone && --m_nodes[node.parent].innerChildren == 0)
                ready.push({ mergeCost(node.parent), node.parent });
        }
    }

    std::vector<PaletteColour> leafColours() const {
        std::vector<PaletteColour> colours;
        colours.reserve(m_leafCount);
        std::vector<std::uint32_t> pending { m_root };
        while (!pending.empty()) {
            const Node& node = m_nodes[pending.back()];
            pending.pop_back();
            if (node.leaf) {
                colours.push_back(MeanOf(node));
                continue;
            }
            // Pushed in reverse so that the colours come out in key order.
            for (int c = node.childCount - 1; c >= 0; --c)
                pending.push_back(node.firstChild + static_cast<std::uint32_t>(c));
        }
        return colours;
    }

private:
    void build(const ColourHistogram& histogram) {
        const int startLevel = StartLevel(histogram.keys);
        const int shift = 3 * (kDepth - startLevel);
        std::vector<std::uint32_t> prefixes;
        for (std::size_t i = 0; i < histogram.keys.size(); ++i) {
            const std::uint32_t prefix = histogram.keys[i] >> shift;
            if (prefixes.empty() || prefixes.back() != prefix) {
                prefixes.push_back(prefix);
                m_nodes.push_back(Node { .leaf = true });
            }
            Node& leaf = m_nodes.back();
            std::uint8_t rgb[3];
            ColourOfOctreeKey(histogram.keys[i], rgb[0], rgb[1], rgb[2]);
            leaf.count += histogram.counts[i];
            for (int c = 0; c < 3; ++c)
                leaf.sum[c] += static_cast<std::uint64_t>(rgb[c]) * histogram.counts[i];
        }
        m_leafCount = m_nodes.size();

        // Each pass groups the nodes of one level under their parents' key prefixes.
        std::size_t levelStart = 0;
        std::size_t levelEnd = m_nodes.size();
        for (int level = startLevel - 1; level >= 0; --level) {
            std::vector<std::uint32_t> parentPrefixes;
            for (std::size_t i = levelStart; i < levelEnd;) {
                const std::uint32_t prefix = prefixes[i - levelStart] >> 3;
                Node parent { .firstChild = static_cast<std::uint32_t>(i) };
                const auto parentIndex = static_cast<std::uint32_t>(m_nodes.size());
                std::size_t end = i;
                for (; end < levelEnd && (prefixes[end - levelStart] >> 3) == prefix; ++end) {
                    Node& child = m_nodes[end];
                    child.parent = parentIndex;
                    parent.count += child.count;
                    for (int c = 0; c < 3; ++c) parent.sum[c] += child.sum[c];
                    if (!child.leaf) ++parent.innerChildren;
                }
                parent.childCount = static_cast<std::uint8_t>(end - i);
                m_nodes.push_back(parent);
                parentPrefixes.push_back(prefix);
                i = end;
            }
            prefixes.swap(parentPrefixes);
            levelStart = levelEnd;
            levelEnd = m_nodes.size();
        }
        m_root = static_cast<std::uint32_t>(m_nodes.size() - 1);
    }

    /// Growth of the squared error when the children's means give way to the node's:
    /// the sum over the children of count x squared distance between the two means.
    double mergeCost(std::uint32_t index) const {
        const Node& node = m_nodes[index];
        double mean[3];
        for (int c = 0; c < 3; ++c) mean[c] = static_cast<double>(node.sum[c]) / node.count;
        double cost = 0;
        for (std::uint32_t i = 0; i < node.childCount; ++i) {
            const Node& child = m_nodes[node.firstChild + i];
            double distance = 0;
            for (int c = 0; c < 3; ++c) {
                const double d = static_cast<double>(child.sum[c]) / child.count - mean[c];
                distance += d * d;
            }
            cost += distance * child.count;
        }
        return cost;
    }

    static PaletteColour MeanOf(const Node& node) {
        std::uint8_t mean[3];
        for (int c = 0; c < 3; ++c)
            mean[c] = static_cast<std::uint8_t>(
                (2 * node.sum[c] + node.count) / (2 * std::uint64_t { node.count }));
        return { mean[0], mean[1], mean[2] };
    }

    std::vector<Node> m_nodes;
    std::uint32_t m_root = 0;
    std::size_t m_leafCount = 0;
};

} // namespace

std::vector<PaletteColour> ReduceColours(const ColourHistogram& histogram, int maxColours) {
    if (maxColours < 1) throw Error("colour reduction: at least one colour is needed");
    if (histogram.keys.empty()) return {};
    Octree tree(histogram);
    tree.pruneTo(static_cast<std::size_t>(maxColours));
    return tree.leafColours();
}

} // namespace deptrix
