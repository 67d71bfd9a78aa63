#pragma once

// The grid's scroll bar counts rows of six. Up to a full page of entries
// (30, or 24 in the compact layout) it is disabled at maximum 0; beyond that
// its maximum lets the last page show the last rows, the final one possibly
// incomplete.
struct ScrollRange {
    bool enabled = false;
    int maximum = 0;
};

ScrollRange scrollRange(int x, bool issmaller);
