// Sound lists without a sound device: keys, the off switch and the fatal
// bad index.
#include "game_fixture.h"

#include "frame/asset_lists.h"

TEST(SoundListTest, KeysAreFileNamesWithTheirExtension) {
    EXPECT_EQ(SoundKey("data/material/select.wav"), "select.wav");
    EXPECT_EQ(SoundKey("a.wav"), "a.wav");
    EXPECT_EQ(SoundKey("dir\\b.mp3"), "b.mp3");
    EXPECT_EQ(SoundKey("data/material/noext"), "noext");
}

TEST(SoundListTest, EveryLoadTakesItsPlaceAndBadIndexesEndTheProgram) {
    gamefix::FakeSystem sys;
    CSoundList list;
    list.SetSuffix(".wav");
    for (const char* path : {"data/material/select.wav", "data/material/plain", "data/material/get.wav"})
        list.Load(path);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Key(1), "plain");
    EXPECT_EQ(list.Key(2), "get.wav") << "a key without a dot does not shift the later keys";

    list.SetOff(true);
    list.Play(2, CSoundList::PLAY_BACK);
    EXPECT_EQ(list.Current(), -1) << "off plays nothing";
    for (int bad : {-1, 3}) {
        try {
            list.Play(bad, CSoundList::PLAY_BACK);
            ADD_FAILURE() << "index " << bad << " went on";
        } catch (const gamefix::ExitCalled& e) {
            EXPECT_EQ(e.status, 1);
        }
    }
    list.SetOff(false);
    list.PlayByName("get", CSoundList::PLAY_LOOP);
    EXPECT_EQ(list.Current(), 2);
    list.Stop();
    EXPECT_EQ(list.Current(), -1);
    list.PlayByName("unknown", CSoundList::PLAY_LOOP);
    EXPECT_EQ(list.Current(), -1);
}
