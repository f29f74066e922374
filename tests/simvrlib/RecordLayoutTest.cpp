// The records the library writes, read back as raw bytes at the offsets the
// provider relies on, for the topology shipped beside the library.
#include "SimLibraryFixture.h"

namespace simtest {
namespace {

class RecordLayout : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    start();  // VRLib.topology.json next to VRLib.so
  }
};

TEST_F(RecordLayout, ControllerListAndRecord) {
  unsigned char list[33] = {};
  unsigned char unused[8] = {};
  ASSERT_EQ(0u, call(VrlOpcode::GET_CONTR_LIST, unused, list));
  EXPECT_EQ(2, list[0]);
  EXPECT_EQ(0, list[1]);
  EXPECT_EQ(1, list[2]);

  uint8_t contrId = 0;
  std::vector<unsigned char> rec(4344, 0xEE);
  ASSERT_EQ(0u, call(VrlOpcode::GET_CONTR_PROPS, &contrId, rec.data()));
  EXPECT_EQ("VRC00001", textAt(rec.data(), 0, 8));
  EXPECT_EQ(5, u8At(rec.data(), 8));   // physDiskCount
  EXPECT_EQ(1, u8At(rec.data(), 9));   // hotspareCount
  EXPECT_EQ(1, u8At(rec.data(), 10));  // volumeCount
  EXPECT_EQ(1, u8At(rec.data(), 11));  // enclCount
  EXPECT_EQ(512u, u32At(rec.data(), 16));
  EXPECT_EQ("1200", textAt(rec.data(), 36, 4));
  EXPECT_EQ(2, u8At(rec.data(), 40));
  EXPECT_EQ(1, u8At(rec.data(), 41));
  EXPECT_EQ(5, u8At(rec.data(), 42));
  EXPECT_EQ(0x0F, u16At(rec.data(), 54));
  EXPECT_EQ(8, u8At(rec.data(), 60));  // portCount
  EXPECT_EQ(0x50, u8At(rec.data(), 62));
  EXPECT_EQ(7, u8At(rec.data(), 62 + 7 * 16 + 7));  // last byte of port 7's address
  EXPECT_EQ("A8I", textAt(rec.data(), 4174, 3));
  EXPECT_EQ("ORV", textAt(rec.data(), 4177, 8));
  EXPECT_EQ("Ambrix 8i SAS", textAt(rec.data(), 4185, 16));
  EXPECT_EQ(1u, u32At(rec.data(), 4204));  // autoRebuild
  EXPECT_EQ(0, u8At(rec.data(), 4220));    // bootVolumeId
  EXPECT_EQ(0x0501, u16At(rec.data(), 4222));
  EXPECT_EQ(0x1D6A, u16At(rec.data(), 4224));
  EXPECT_EQ(1u, u32At(rec.data(), 4236));  // cacheMode
  EXPECT_EQ("/dev/ambrix0", textAt(rec.data(), 4260, 80));

  unsigned char defaults[20] = {};
  ASSERT_EQ(0u, call(VrlOpcode::GET_CONTR_PROPS_DEFAULTS, &contrId, defaults));
  EXPECT_EQ(1u, u32At(defaults, 0));
  EXPECT_EQ(2, u8At(defaults, 4));
  EXPECT_EQ(4, u8At(defaults, 5));
  EXPECT_EQ(kVrlNoBootVolume, u8At(defaults, 6));
  EXPECT_EQ(1u, u32At(defaults, 16));
}

TEST_F(RecordLayout, VolumeListRecordAndAllVolumes) {
  uint8_t contrId = 0;
  unsigned char list[36] = {};
  ASSERT_EQ(0u, call(VrlOpcode::GET_VD_LIST, &contrId, list));
  EXPECT_EQ(1, list[0]);
  EXPECT_EQ(0u, u32At(list, 4));

  VrlVolumeKey key{};
  unsigned char rec[184] = {};
  ASSERT_EQ(0u, call(VrlOpcode::GET_VD_PROPS, &key, rec));
  EXPECT_EQ(0u, u32At(rec, 8));  // volReserved
  EXPECT_EQ(3, u8At(rec, 20));   // pdCount
  EXPECT_EQ(0u, u32At(rec, 24));
  EXPECT_EQ(1u, u32At(rec, 28));
  EXPECT_EQ(2u, u32At(rec, 32));
  EXPECT_EQ(1u, u32At(rec, 56));  // hsProtected: a spare is ready
  EXPECT_EQ(1u, u32At(rec, 60));  // bootVolume
  EXPECT_EQ(5u, u32At(rec, 68));
  EXPECT_EQ(64, u16At(rec, 76));
  EXPECT_EQ("DataVol", textAt(rec, 78, 32));
  // Two data disks of 299 GiB in 512-byte blocks.
  uint64_t totalBlocks;
  std::memcpy(&totalBlocks, rec + 152, 8);
  EXPECT_EQ(2ull * 299 * (1ull << 30) / 512, totalBlocks);
  EXPECT_EQ(512u, u32At(rec, 168));

  key.contrId = 1;
  ASSERT_EQ(0u, call(VrlOpcode::GET_VD_PROPS, &key, rec));
  EXPECT_EQ(1u, u32At(rec, 8));   // the mirror is still a reserved array
  EXPECT_EQ(1u, u32At(rec, 68));
  EXPECT_EQ(0u, u32At(rec, 56));  // no spare on controller 1

  VrlControllerIdArea area{};
  std::vector<unsigned char> all(sizeof(VrlAllVolumes));
  ASSERT_EQ(0u, call(VrlOpcode::GET_ALL_VD_PROPS, &area, all.data()));
  EXPECT_EQ(1, u16At(all.data(), 0));
  EXPECT_EQ("DataVol", textAt(all.data(), 8 + 78, 32));
}

TEST_F(RecordLayout, PhysicalDisksCoverBothInterfacesAndMedia) {
  uint8_t contrId = 0;
  std::vector<unsigned char> list(1416);
  ASSERT_EQ(0u, call(VrlOpcode::GET_ALL_PD_PROPS, &contrId, list.data()));
  ASSERT_EQ(5, list[0]);
  auto disk = [&](unsigned i) { return list.data() + 8 + 176 * i; };
  // Member of the RAID 5 volume.
  EXPECT_EQ(1u, u32At(disk(0), 12));
  EXPECT_EQ(0u, u32At(disk(0), 20));
  EXPECT_EQ(0u, u32At(disk(0), 28));
  EXPECT_EQ(2u, u32At(disk(0), 144));  // SAS
  EXPECT_EQ(1u, u32At(disk(0), 168));  // rotating
  EXPECT_EQ(2, u8At(disk(0), 40));     // two SAS addresses
  EXPECT_EQ(300, u16At(disk(0), 74));
  EXPECT_EQ(299, u16At(disk(0), 76));
  EXPECT_EQ("QD0A0001", textAt(disk(0), 109, 8));
  EXPECT_EQ(0x50, u8At(disk(0), 117));  // WWN
  // SAS solid-state hot spare.
  EXPECT_EQ(1u, u32At(disk(3), 28));
  EXPECT_EQ(0u, u32At(disk(3), 12));
  EXPECT_EQ(0u, u32At(disk(3), 168));
  // Free SATA solid-state disk.
  EXPECT_EQ(0u, u32At(disk(4), 12));
  EXPECT_EQ(kVrlNoVolume, u32At(disk(4), 20));
  EXPECT_EQ(1u, u32At(disk(4), 144));
  EXPECT_EQ(1, u8At(disk(4), 40));

  VrlDiskKey key{0, {}, 4};
  unsigned char one[176] = {};
  ASSERT_EQ(0u, call(VrlOpcode::GET_PD_PROPS, &key, one));
  EXPECT_EQ(0, std::memcmp(one, disk(4), 176));
}

TEST_F(RecordLayout, EnclosureAndBatteryOnlyWhereConfigured) {
  uint8_t contrId = 0;
  unsigned char enclosures[208] = {};
  ASSERT_EQ(0u, call(VrlOpcode::GET_ALL_ENCLR_PROPS, &contrId, enclosures));
  EXPECT_EQ(1, enclosures[0]);
  EXPECT_EQ("ENC00001", textAt(enclosures + 4, 27, 8));
  EXPECT_EQ(4, u8At(enclosures + 4, 44));  // device slots
  EXPECT_EQ(2, u8At(enclosures + 4, 64));  // power supplies
  EXPECT_EQ(1, u8At(enclosures + 4, 184));

  unsigned char battery[108] = {};
  ASSERT_EQ(0u, call(VrlOpcode::GET_BATT_PROPS, &contrId, battery));
  EXPECT_EQ(1u, u32At(battery, 8));
  EXPECT_EQ("BAT00001", textAt(battery, 20, 16));
  EXPECT_EQ(95, u16At(battery, 88));

  contrId = 1;
  ASSERT_EQ(0u, call(VrlOpcode::GET_ALL_ENCLR_PROPS, &contrId, enclosures));
  EXPECT_EQ(0, enclosures[0]);
  ASSERT_EQ(0u, call(VrlOpcode::GET_BATT_PROPS, &contrId, battery));
  EXPECT_EQ(0u, u32At(battery, 8));  // no battery fitted
}

TEST_F(RecordLayout, VersionsAndFirmwareErrorTexts) {
  unsigned char version[40] = {};
  ASSERT_EQ(0u, call(VrlOpcode::GET_VERSION, nullptr, version));
  EXPECT_EQ(17, version[0]);
  EXPECT_EQ(3, version[1]);
  EXPECT_EQ(2010, u16At(version, 2));
  EXPECT_EQ(0x01110001u, u32At(version, 4));
  EXPECT_EQ("VRLib simulator", textAt(version, 8, 32));
  uint8_t contrId = 1;
  ASSERT_EQ(0u, call(VrlOpcode::GET_DRIVER_VERSION, &contrId, version));
  EXPECT_EQ("ambrix", textAt(version, 8, 32));

  VrlFwErrorIn code{0x2001};
  VrlFwErrorOut text{};
  ASSERT_EQ(0u, call(VrlOpcode::GET_FW_ERROR_DTLS, &code, &text));
  EXPECT_STREQ("Firmware image is not valid", text.fwErrorDesc);
  code.fwErrorCode = 0xBEEF;
  ASSERT_EQ(0u, call(VrlOpcode::GET_FW_ERROR_DTLS, &code, &text));
  EXPECT_STREQ("Firmware error 0xBEEF", text.fwErrorDesc);
}

}  // namespace
}  // namespace simtest
