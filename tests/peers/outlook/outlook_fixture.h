// A fresh desktop with the Outlook stand-in registered, and the automation
// objects a test reaches it through.
#pragma once

#include "peers/outlook/automation_client.h"
#include "peers/outlook/dispatch_ids.h"
#include "peers/outlook/registration.h"
#include "support/machine.h"

#include <gtest/gtest.h>
#include <string>

class OutlookTest : public ::testing::Test {
protected:
    testsupport::TempMachines machines;
    outlook::AutomationObject application;
    outlook::AutomationObject nameSpace;
    outlook::AutomationObject folder;
    outlook::AutomationObject items;

    void SetUp() override {
        ASSERT_TRUE(outlook::RegisterServer(OUTLOOK_SERVER_PATH));
        ASSERT_EQ(S_OK, outlook::CreateOutlookApplication(&application));
        outlook::CallError error;
        ASSERT_EQ(S_OK,
                  application.InvokeObject(outlook::kGetNamespace, DISPATCH_METHOD,
                                           {outlook::TextArgument(u"MAPI")}, &nameSpace, &error));
        ASSERT_EQ(S_OK, nameSpace.InvokeObject(outlook::kGetDefaultFolder, DISPATCH_METHOD,
                                               {outlook::LongArgument(12)}, &folder, &error));
        ASSERT_EQ(S_OK,
                  folder.InvokeObject(outlook::kItems, DISPATCH_PROPERTYGET, {}, &items, &error));
    }

    // Saves a new note and returns it.
    outlook::AutomationObject AddNote(const std::u16string& body, LONG color = 3,
                                      const std::u16string& categories = u"") {
        outlook::AutomationObject item;
        outlook::CallError error;
        EXPECT_EQ(S_OK, application.InvokeObject(outlook::kCreateItem, DISPATCH_METHOD,
                                                 {outlook::LongArgument(5)}, &item, &error));
        EXPECT_EQ(S_OK, item.Put(outlook::kBody, outlook::TextArgument(body), &error));
        EXPECT_EQ(S_OK, item.Put(outlook::kColor, outlook::LongArgument(color), &error));
        EXPECT_EQ(S_OK, item.Put(outlook::kCategories, outlook::TextArgument(categories), &error));
        EXPECT_EQ(S_OK, item.Invoke(outlook::kSave, DISPATCH_METHOD, {}, nullptr, &error));
        return item;
    }

    std::u16string Text(const outlook::AutomationObject& object, DISPID id) {
        std::u16string text;
        outlook::CallError error;
        EXPECT_EQ(S_OK, object.GetText(id, &text, &error));
        return text;
    }

    LONG Count() {
        LONG count = -1;
        outlook::CallError error;
        EXPECT_EQ(S_OK, items.GetLong(outlook::kCount, &count, &error));
        return count;
    }

    outlook::AutomationObject Item(SHORT index, outlook::CallError* error) {
        outlook::AutomationObject item;
        items.InvokeObject(outlook::kItem, DISPATCH_METHOD, {outlook::ShortArgument(index)}, &item,
                           error);
        return item;
    }

    // The folder as one line per note: "body color [categories]".
    std::string Dump() {
        std::string dump;
        for (SHORT i = 1; i <= Count(); ++i) {
            outlook::CallError error;
            auto item = Item(i, &error);
            LONG color = -1;
            item.GetLong(outlook::kColor, &color, &error);
            std::u16string body = Text(item, outlook::kBody),
                           categories = Text(item, outlook::kCategories);
            dump += std::string(body.begin(), body.end()) + " " + std::to_string(color) + " [" +
                    std::string(categories.begin(), categories.end()) + "]\n";
        }
        return dump;
    }
};
