// Standard output without line-end translation, so that CSV keeps its CR LF as written.
#pragma once

void SetBinaryStandardOutput();
