// The text of a row's tip: its chord, then memory and processor share of its copy.
#include "mainframe/WebchatRowHint.h"

#include <gtest/gtest.h>

namespace {

TEST(WebchatRowHint, ChordAloneWithoutFigures) {
  EXPECT_EQ(CWebchatRowHint::TipText(0, nullptr), "Ctrl+1 切换到此微信");
  EXPECT_EQ(CWebchatRowHint::TipText(9, nullptr), "");  // the tenth row has no chord
}

TEST(WebchatRowHint, MemoryFirstThenProcessorOnceKnown) {
  CWebchatRowHint::TFigures figures;
  figures.nResidentBytes = 155'400'000;  // 148.2 MiB
  EXPECT_EQ(CWebchatRowHint::TipText(1, &figures), "Ctrl+2 切换到此微信\n内存 148.2 MB");
  figures.dCpuPercent = 0.44;
  EXPECT_EQ(CWebchatRowHint::TipText(1, &figures), "Ctrl+2 切换到此微信\n内存 148.2 MB · CPU 0.4%");
  EXPECT_EQ(CWebchatRowHint::TipText(10, &figures), "内存 148.2 MB · CPU 0.4%");
}

TEST(WebchatRowHint, ABusyCopyOnSeveralCoresPassesOneHundredPercent) {
  CWebchatRowHint::TFigures figures;
  figures.nResidentBytes = 0;
  figures.dCpuPercent = 187.26;
  EXPECT_EQ(CWebchatRowHint::TipText(2, &figures), "Ctrl+3 切换到此微信\n内存 0.0 MB · CPU 187.3%");
}

}  // namespace
