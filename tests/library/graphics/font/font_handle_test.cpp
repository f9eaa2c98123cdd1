// Font handles: defaults of creation, the 40-font limit, slots and serials,
// deletion and the lost flag, cache sizing, the default font and the
// re-creation of every font with its handle kept.
#include "font_fixture.h"
#include "core/handle.h"
#include "zovav.h"

using namespace fonttest;

namespace {
class FontHandles : public FontTest {};
}  // namespace

TEST_F(FontHandles, CreationDefaultsAndCellSizes) {
    struct Case {
        int size, thickness, type, edge;
        int wantSize, wantThickness, wantType, wantEdge, wantCellW, wantCellH, wantCapacity;
    };
    // Fake metrics: height h, widest character h / 2.
    const Case cases[] = {
        {-1, -1, -1, -1, 16, 6, 0, 1, 8, 16, 2024},     // every default
        {20, 3, 0, 2, 20, 3, 1, 2, 16, 24, 1280},       // edge size above 1 sets the edge bit
        {20, 3, 2, -1, 20, 3, 2, 1, 16, 20, 1280},      // edge size -1 leaves the type
        {21, 3, 1, 1, 21, 3, 1, 1, 16, 24, 1280},       // odd cell height made even
        {400, 3, 3, 1, 400, 3, 3, 1, 208, 402, 20},     // few cells, at least 20
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const int h = CreateFontToHandleImpl(nullptr, c.size, c.thickness, c.type, -1, c.edge, 0, -1, -1);
        ASSERT_GE(h, 0) << Log();
        EXPECT_EQ(h & HANDLE_KIND_MASK, 0x20000000);
        FontManageData* f = GetFontManageData(h);
        EXPECT_EQ(f->size, c.wantSize);
        EXPECT_EQ(f->thickness, c.wantThickness);
        EXPECT_EQ(f->type, c.wantType);
        EXPECT_EQ(f->edgeSize, c.wantEdge);
        EXPECT_EQ(f->charsetIndex, 1);
        EXPECT_EQ(f->cellWidth, c.wantCellW);
        EXPECT_EQ(f->cellHeight, c.wantCellH);
        EXPECT_EQ(f->cellCapacity, c.wantCapacity);
        EXPECT_EQ(f->cacheImageBits, c.wantType == 0 ? 1 : 8);
        EXPECT_EQ(f->cells[c.wantCapacity].cellNumber, -1);
        EXPECT_EQ(f->cells[c.wantCapacity - 1].cellNumber, c.wantCapacity - 1);
        EXPECT_GE(f->drawScreenSurface, 0);
        EXPECT_EQ(DeleteFontToHandleImpl(h), 0);
    }
}

TEST_F(FontHandles, FortyFontsAtMostAndDeletionFreesTheSlot) {
    std::vector<int> handles;
    // The default font holds one slot already.
    for (int i = 1; i < FONT_HANDLE_MAX; ++i) {
        handles.push_back(CreateFontToHandleImpl(nullptr, 8, -1, -1, -1, -1, 0, -1, -1));
        ASSERT_GE(handles.back(), 0) << i;
    }
    EXPECT_EQ(CreateFontToHandleImpl(nullptr, 8, -1, -1, -1, -1, 0, -1, -1), -1);
    EXPECT_NE(Log().find("作成できるフォントハンドル数 40 の限界を超えました"), std::string::npos);

    const int freed = handles[5];
    EXPECT_EQ(DeleteFontToHandleImpl(freed), 0);
    EXPECT_EQ(DeleteFontToHandleImpl(freed), -1) << "a deleted handle is refused";
    EXPECT_FALSE(CheckFontHandleValid(freed));
    const int again = CreateFontToHandleImpl(nullptr, 8, -1, -1, -1, -1, 0, -1, -1);
    ASSERT_GE(again, 0);
    EXPECT_EQ(HandleSlot(again), HandleSlot(freed)) << "the first free slot is taken";
    EXPECT_NE(again, freed) << "with a new serial";
}

TEST_F(FontHandles, GivenSlotAndSerial) {
    const size_t logBefore = Log().size();
    const int taken = HandleSlot(GetDefaultFontHandle());
    EXPECT_EQ(CreateFontToHandleImpl(nullptr, 8, -1, -1, -1, -1, 0, taken, -1), -1);
    EXPECT_EQ(Log().size(), logBefore) << "a taken slot fails silently";
    const int h = CreateFontToHandleImpl(nullptr, 8, -1, -1, -1, -1, 0, 17, 1234);
    EXPECT_EQ(h, 0x20000000 | 1234 << 16 | 17);
    EXPECT_EQ(CreateFontToHandleImpl(nullptr, 8, -1, -1, -1, -1, 0, FONT_HANDLE_MAX, -1), -1);
}

TEST_F(FontHandles, InvalidHandlesAndBadInput) {
    const int h = GetDefaultFontHandle();
    const int foreign[] = {-1, 0, h ^ 0x00010000, (h & ~HANDLE_KIND_MASK) | 0x08000000, 0x20000000 | 39,
                           0x20000000 | 0xFFFF};
    for (int bad : foreign) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(CheckFontHandleValid(bad), 0);
        EXPECT_EQ(DeleteFontToHandleImpl(bad), -1);
        EXPECT_EQ(SetFontCharSpacing(1, bad), -1);
        EXPECT_EQ(GetFontStateToHandle(nullptr, nullptr, nullptr, bad), -1);
        EXPECT_EQ(GetDrawStringWidthToHandle("A", -1, bad, 0), -1);
    }
    // A size the glyph source refuses, an unknown type and charset, a huge edge.
    EXPECT_EQ(CreateFontToHandleImpl(nullptr, 0, -1, -1, -1, -1, 0, -1, -1), -1);
    EXPECT_NE(Log().find("フォントの作成に失敗しました"), std::string::npos);
    const int odd = CreateFontToHandleImpl("x", 8, -1, 77, 9, 1 << 30, 0, -1, -1);
    ASSERT_GE(odd, 0);
    EXPECT_EQ(GetFontManageData(odd)->type, (77 | 1) & 3);
    EXPECT_EQ(GetFontManageData(odd)->charsetIndex, 1);
    EXPECT_GT(GetDrawStringWidthToHandle("AW", -1, odd, 0), 0);
}

TEST_F(FontHandles, FaceNamesAreCopiedWithinBounds) {
    const std::string longName(600, 'N');
    const int h = CreateFontToHandleImpl(longName.c_str(), 8, -1, -1, -1, -1, 0, -1, -1);
    ASSERT_GE(h, 0);
    char face[FONT_FACE_NAME_SIZE + 16];
    std::memset(face, '#', sizeof face);
    ASSERT_EQ(GetFontStateToHandle(face, nullptr, nullptr, h), 0);
    EXPECT_EQ(std::strlen(face), size_t(FONT_FACE_NAME_SIZE - 1));
    EXPECT_EQ(RefreshAllFonts(), 0);
    EXPECT_TRUE(CheckFontHandleValid(h));
}

TEST_F(FontHandles, LostFlagSpacingAndState) {
    const int h = CreateFontToHandleImpl("Face", 12, 4, 2, -1, -1, 0, -1, -1);
    int lost = 7;
    ASSERT_EQ(SetFontLostFlag(h, &lost), 0);
    EXPECT_EQ(lost, 0);
    ASSERT_EQ(SetFontCharSpacing(3, h), 0);
    EXPECT_EQ(GetDrawStringWidthToHandle("AA", -1, h, 0), 2 * (5 + 3));
    char face[256];
    int size = 0, thickness = 0;
    ASSERT_EQ(GetFontStateToHandle(face, &size, &thickness, h), 0);
    EXPECT_STREQ(face, "Face");
    EXPECT_EQ(size, 12);
    EXPECT_EQ(thickness, 4);
    EXPECT_EQ(GetFontHeightOfHandle(h), 12);
    DeleteFontToHandleImpl(h);
    EXPECT_EQ(lost, 1);
}

TEST_F(FontHandles, DefaultFontFollowsItsSettings) {
    const int first = GetDefaultFontHandle();
    EXPECT_EQ(GetFontManageData(first)->size, 16);
    EXPECT_EQ(RefreshDefaultFont(), 0);
    EXPECT_EQ(GetDefaultFontHandle(), first) << "unchanged settings keep the font";
    ASSERT_EQ(SetFontSizeImpl(20), 0);
    const int second = GetDefaultFontHandle();
    EXPECT_NE(second, first);
    EXPECT_FALSE(CheckFontHandleValid(first));
    EXPECT_EQ(GetFontManageData(second)->size, 20);
    ASSERT_EQ(SetDefaultFontState(-1, 3), 0);
    EXPECT_EQ(GetFontManageData(GetDefaultFontHandle())->size, 16);
    EXPECT_EQ(GetFontManageData(GetDefaultFontHandle())->thickness, 3);
    // A default font deleted behind its back comes back on the next use.
    DeleteFontToHandleImpl(GetDefaultFontHandle());
    EXPECT_EQ(GetDrawStringWidthImpl("AA", -1, 0), 10);
    EXPECT_TRUE(CheckFontHandleValid(GetDefaultFontHandle()));
    // InitFont keeps the default's settings.
    SetFontSizeImpl(24);
    ASSERT_EQ(InitFont(), 0);
    EXPECT_EQ(GetFontManageData(GetDefaultFontHandle())->size, 24);
    EXPECT_NE(Log().find("フォントの初期化は正常に終了しました"), std::string::npos);
}

TEST_F(FontHandles, RefreshAllFontsKeepsEveryHandle) {
    const int a = CreateFontToHandleImpl(nullptr, 10, 3, 3, -1, 2, 0, -1, -1);
    const int b = CreateFontToHandleImpl("Other", 14, 6, 0, -1, -1, 1, -1, -1);
    SetFontCharSpacing(2, b);
    int lost = 0;
    SetFontLostFlag(a, &lost);
    GetDrawStringWidthToHandle("AB", -1, a, 0);
    const int rasterised = fakeglyphs::State().rasterised;
    ASSERT_EQ(RefreshAllFonts(), 0);
    EXPECT_EQ(lost, 1) << "the owner learns that its font was made again";
    ASSERT_TRUE(CheckFontHandleValid(a));
    ASSERT_TRUE(CheckFontHandleValid(b));
    EXPECT_EQ(GetFontManageData(a)->type, 3);
    EXPECT_EQ(GetFontManageData(a)->edgeSize, 2);
    EXPECT_EQ(GetFontManageData(b)->italic, 1);
    EXPECT_EQ(GetFontManageData(b)->spacing, 2);
    GetDrawStringWidthToHandle("AB", -1, a, 0);
    EXPECT_EQ(fakeglyphs::State().rasterised, rasterised + 2) << "the caches start empty";
}

TEST_F(FontHandles, PublicFunctions) {
    const int h = CreateFontToHandle(nullptr, 10, -1);
    ASSERT_GE(h, 0);
    EXPECT_EQ(SetFontSize(20), 0);
    EXPECT_EQ(GetDrawStringWidth("AAA", 3), 15);
    EXPECT_EQ(GetDrawStringWidth("AAA", 2), 10);
    EXPECT_EQ(DeleteFontToHandle(h), 0);
    EXPECT_EQ(DeleteFontToHandle(h), -1);
}

// Before the graphics system starts no font can be made, and trying leaves
// nothing allocated (a start-up that then fails would never free it).
TEST(FontsBeforeStartUp, AreRefusedWithoutAllocating) {
    SetUseHardwareDrawFlag(0);
    const uint32_t before = ZvAllocCount();
    EXPECT_EQ(CreateFontToHandle(nullptr, 16, 4), -1);
    EXPECT_EQ(ZvAllocCount(), before);
}
