#include "data/json_writer.h"

#include <gtest/gtest.h>

TEST(JsonWriter, NestedValuesWithCommasAndLatin1Text) {
  JsonWriter w;
  w.BeginObject();
  w.Key("ticks");
  w.Int(1000);
  w.Key("name");
  w.String("J\xF6rg \"x\"\n");
  w.Key("list");
  w.BeginArray();
  w.Bool(true);
  w.Number(0.5);
  w.Number(1.0 / 0.0);
  w.BeginObject();
  w.EndObject();
  w.EndArray();
  w.EndObject();
  EXPECT_EQ(w.Text(),
            "{\"ticks\":1000,\"name\":\"J\xC3\xB6rg \\\"x\\\"\\u000a\","
            "\"list\":[true,0.5,null,{}]}\n");
}
