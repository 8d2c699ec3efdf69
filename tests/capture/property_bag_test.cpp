#include <gtest/gtest.h>

#include "capture/property_bag.h"

namespace {

VARIANT Text(const char16_t *text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = text;
  return v;
}

// The bag lives until its last reference: the leak checker reports the nodes otherwise.
TEST(PropertyBag, TheNewestValueOfANameWinsAndUnknownNamesLeaveTheValueAlone) {
  CPropertyBag *bag = new CPropertyBag;
  bag->AddRef();
  VARIANT first = Text(u"CAM1:"), second = Text(u"CAM2:"), other = Text(u"x");
  bag->Write(u"VCapName", &first);
  bag->Write(u"Other", &other);
  bag->Write(u"VCapName", &second);
  EXPECT_EQ(bag->Release(), 1);

  VARIANT read;
  ASSERT_EQ(bag->Read(u"VCapName", &read, nullptr), S_OK);
  EXPECT_EQ(read.bstrVal, u"CAM2:");
  ASSERT_EQ(bag->Read(u"Other", &read, nullptr), S_OK);
  EXPECT_EQ(read.bstrVal, u"x");
  for (const char16_t *unknown : {u"vcapname", u"Missing"})
    EXPECT_EQ(bag->Read(unknown, &read, nullptr), E_INVALIDARG);
  EXPECT_EQ(read.bstrVal, u"x");
  EXPECT_EQ(bag->Read(u"VCapName", nullptr, nullptr), E_POINTER);
  EXPECT_EQ(bag->Release(), 0);
}

} // namespace
