#include <gtest/gtest.h>

#include "capture/property_bag.h"

namespace {

VARIANT Text(const char16_t *text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = text;
  return v;
}

TEST(PropertyBag, NewestValueOfANameWinsAndTheBagLivesUntilTheLastReference) {
  CPropertyBag *bag = new CPropertyBag;
  EXPECT_EQ(bag->AddRef(), 2);
  EXPECT_EQ(bag->Release(), 1);
  VARIANT first = Text(u"CAM1:"), second = Text(u"CAM2:"), other = Text(u"x");
  EXPECT_EQ(bag->Write(u"VCapName", &first), S_OK);
  EXPECT_EQ(bag->Write(u"Other", &other), S_OK);
  EXPECT_EQ(bag->Write(u"VCapName", &second), S_OK);

  VARIANT read;
  EXPECT_EQ(bag->Read(u"VCapName", &read, nullptr), S_OK);
  EXPECT_EQ(read.vt, VT_BSTR);
  EXPECT_EQ(read.bstrVal, u"CAM2:");
  EXPECT_EQ(bag->Read(u"Other", &read, nullptr), S_OK);
  EXPECT_EQ(read.bstrVal, u"x");
  EXPECT_EQ(bag->Release(), 0); // frees the nodes; the leak checker would report them otherwise
}

TEST(PropertyBag, UnknownNameIsAnErrorAndLeavesTheValueAlone) {
  CPropertyBag *bag = new CPropertyBag;
  VARIANT stored = Text(u"CAM1:");
  bag->Write(u"VCapName", &stored);
  VARIANT read;
  read.vt = VT_I4;
  read.lVal = 7;
  EXPECT_EQ(bag->Read(u"vcapname", &read, nullptr), E_INVALIDARG);
  EXPECT_EQ(bag->Read(u"Missing", &read, nullptr), E_INVALIDARG);
  EXPECT_EQ(read.vt, VT_I4);
  EXPECT_EQ(read.lVal, 7);
  EXPECT_EQ(bag->Read(u"VCapName", nullptr, nullptr), E_POINTER);
  bag->Release();
}

} // namespace
