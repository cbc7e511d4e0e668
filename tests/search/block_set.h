// Blocks for pass tests, laid out as the store lays them out, with the literal line test of
// reference_match.h run over every line.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "reference_match.h"
#include "search/search_pass.h"

namespace tessel::testing {

// Blocks laid out as the store lays them out: lines in one buffer, each ended by a NUL.
class BlockSet {
  public:
    void add(const std::vector<std::string>& lines) {
        std::string& buffer = buffers_.emplace_back();
        for (const std::string& line : lines) {
            buffer += line;
            buffer += '\0';
        }
        auto& starts = starts_.emplace_back();
        auto& masks = masks_.emplace_back();
        size_t at = 0;
        for (const std::string& line : lines) {
            starts.push_back(static_cast<uint32_t>(at));
            masks.push_back(codePageTables().maskOf(line.c_str()) | 0x03);
            at += line.size() + 1;
        }
        PassBlock block;
        block.text = buffer.data();
        block.lineStarts = starts.data();
        block.lineMasks = masks.data();
        block.lineCount = static_cast<int>(lines.size());
        block.firstLine = firstLine_;
        firstLine_ += block.lineCount;
        blocks.push_back(block);
        lines_.push_back(lines);
    }

    // Every line through the literal line test, in load order.
    PassResult reference(const PassRequest& r) const {
        PassResult result;
        auto lines = std::vector<int>();
        for (size_t b = 0; b < blocks.size(); ++b) {
            for (size_t j = 0; j < lines_[b].size(); ++j) {
                ++result.testedLines;
                if (r.expr.termCount == 0) continue;
                if (referenceMatch(lines_[b][j], masks_[b][j], r.expr, r.fold, 0,
                                   r.flags.sequenceSensitive, r.flags.fastLoad)
                        .matches) {
                    ++result.hitCount;
                    if (result.firstHitLine < 0)
                        result.firstHitLine = blocks[b].firstLine + static_cast<int>(j);
                    lines.push_back(blocks[b].firstLine + static_cast<int>(j));
                }
            }
        }
        result.hitLines = std::make_shared<const std::vector<int>>(std::move(lines));
        return result;
    }

    std::vector<PassBlock> blocks;

  private:
    std::deque<std::string> buffers_;
    std::deque<std::vector<uint32_t>> starts_;
    std::deque<std::vector<uint32_t>> masks_;
    std::vector<std::vector<std::string>> lines_;
    int firstLine_ = 0;
};

}  // namespace tessel::testing
