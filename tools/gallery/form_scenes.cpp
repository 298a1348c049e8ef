#include "gallery.hpp"

#include "fixtures.hpp"
#include "platform/color.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/conversation_form_view.hpp"
#include "views/form_submission.hpp"
#include "views/message_row.hpp"

// Conversation forms, the date field and commerce results as they sit in message rows.

namespace velmora::gallery {

using namespace detail;

namespace {

// Sends nothing; `busy` stands for an action the controller runs.
class GalleryForms final : public ConversationFormService {
public:
    explicit GalleryForms(bool busy) : busy_(busy) {}
    bool isActionInFlight() const override { return busy_; }
    VelmoraObservation observeActionInFlight(std::function<void()>) override { return {}; }
    void submitForm(const VelmoraConversationForm&, JSONValue::Object) override {}

private:
    bool busy_;
};

const char* kContactForm = R"({"requestId":"fr_1","name":"Delivery details",
  "submitLabel":"Send details","status":"%STATUS%","fields":[
  {"id":"name","name":"Full name","type":"text","required":true%NAME%},
  {"id":"email","name":"Email","type":"email","required":true%EMAIL%},
  {"id":"parcels","name":"Parcels","type":"number","required":false%PARCELS%},
  {"id":"slot","name":"Delivery slot","type":"select","required":true,
   "options":["Morning","Afternoon","Evening"]%SLOT%},
  {"id":"extras","name":"Extras","type":"multi_select","required":false,
   "options":["Gift wrap","Leave at door","Call ahead"]%EXTRAS%},
  {"id":"signature","name":"Signature on delivery","type":"boolean","required":false%SIGN%}]})";

std::string contactForm(const std::string& status, bool filled, bool badNumber) {
    std::string json = kContactForm;
    const auto put = [&](const std::string& key, const std::string& value) {
        json.replace(json.find(key), key.size(), value);
    };
    put("%STATUS%", status);
    put("%NAME%", filled ? R"(,"value":"Ada Lovelace")" : "");
    put("%EMAIL%", filled ? R"(,"value":"ada@example.com")" : "");
    put("%PARCELS%", badNumber ? R"(,"value":"two")" : filled ? R"(,"value":2)" : "");
    put("%SLOT%", filled ? R"(,"value":"Afternoon")" : "");
    put("%EXTRAS%", filled ? R"(,"value":["Leave at door"])" : "");
    put("%SIGN%", filled ? R"(,"value":true)" : "");
    return json;
}

const char* kDateForm = R"({"requestId":"fr_2","name":"","submitLabel":"Book",
  "status":"pending","fields":[{"id":"day","name":"Day","type":"date","required":true,
  "value":"2024-02-10"}]})";

const char* kStores = R"({"kind":"order_store_selection","stores":[
  {"reference":"s1","displayName":"Harbour Shop"},{"reference":"s2"},
  {"reference":"s3","displayName":"Harbour Shop Outlet — Nordic warehouse and returns"}]})";
const char* kOrders = R"({"kind":"order_collection","collection":{
  "source":{"storeDisplayName":"Harbour Shop"},"orders":[
  {"reference":"o1","displayNumber":"#1001","createdAt":"2024-03-05T10:15:00Z",
   "total":{"amount":"12.50","currencyCode":"EUR"},"financialStatus":"paid",
   "fulfillmentStatus":"fulfilled"},
  {"reference":"o2","displayNumber":"#1002","createdAt":"2024-03-09T08:00:00Z",
   "financialStatus":"PAID","fulfillmentStatus":"in_progress"}]}})";
const char* kDetail = R"({"kind":"order_detail","detail":{
  "source":{"storeDisplayName":"Harbour Shop"},
  "order":{"reference":"o1","displayNumber":"#1001","createdAt":"2024-03-05T10:15:00Z",
   "cancelledAt":"2024-03-06T09:00:00Z","total":{"amount":"112.50","currencyCode":"EUR"},
   "financialStatus":"partially_refunded","fulfillmentStatus":"partial"},
  "lineItemsAvailability":"available","lineItems":[
   {"reference":"l1","title":"Linen shirt with a rather long product title that wraps","variantTitle":"M / Sand",
    "quantity":2,"totalPrice":{"amount":"90.00","currencyCode":"EUR"}},
   {"reference":"l2","title":"Gift card","quantity":1}],
  "trackingAvailability":"available","tracking":[
   {"carrier":"Nordpost","trackingNumber":"NP123456789"},{}]}})";
const char* kEmptyDetail = R"({"kind":"order_detail","detail":{
  "order":{"reference":"o9","displayNumber":"#1009","createdAt":"2024-03-05"}}})";

std::unique_ptr<QWidget> row(VelmoraMessage message, const std::string& locale, bool dark,
                             bool withForms = true, bool busy = false,
                             const std::function<void(QWidget&)>& after = {}) {
    const auto experience = fixtures::experience(locale);
    auto settings = std::make_shared<VelmoraFixedPlatformSettings>(VelmoraPlatformSettingsValues{
        .colorScheme = dark ? VelmoraColorScheme::dark : VelmoraColorScheme::light});
    auto* view = makeQtChild<VelmoraWidgetMessageRow>(
        std::move(message), experience.appearance, experience.copy, nullptr, locale, false,
        settings, nullptr, withForms ? std::make_shared<GalleryForms>(busy) : nullptr);
    if (after)
        after(*view);
    const auto& palette = dark ? experience.appearance.dark : experience.appearance.light;
    return stack({view}, toQColor(colorFromHex(palette.surface)), 10);
}

VelmoraMessage withForm(const std::string& json, const std::string& text) {
    auto message = fixtures::message("f1", "inbound", "ai", text);
    message.conversationForm = decodeJSON<JSONValue>(json);
    return message;
}

VelmoraMessage withCommerce(const char* json, const std::string& text) {
    auto message = fixtures::message("c1", "inbound", "ai", text);
    message.commerceResult = decodeJSON<JSONValue>(json);
    return message;
}

} // namespace

void addFormScenes(std::vector<Scene>& scenes) {
    const std::string ask = "Please tell us where to deliver.";
    for (const bool dark : {false, true}) {
        const std::string palette = dark ? "dark" : "light";
        scenes.push_back(
            {"form-empty-" + palette + "-en", 380,
             [=] { return row(withForm(contactForm("pending", false, false), ask), "en", dark); }});
        scenes.push_back(
            {"form-filled-" + palette + "-en", 380,
             [=] { return row(withForm(contactForm("pending", true, false), ask), "en", dark); }});
    }
    scenes.push_back({"form-refused-light-en", 380, [=] {
                          return row(withForm(contactForm("pending", true, true), ask), "en", false,
                                     true, false, [](QWidget& view) {
                                         view.findChild<VelmoraConversationFormView*>()->submit();
                                     });
                      }});
    scenes.push_back({"form-sending-light-en", 380, [=] {
                          return row(withForm(contactForm("pending", true, false), ask), "en",
                                     false, true, true);
                      }});
    scenes.push_back(
        {"form-submitted-light-en", 380,
         [=] { return row(withForm(contactForm("submitted", true, false), ask), "en", false); }});
    scenes.push_back(
        {"form-expired-light-uk", 380,
         [=] { return row(withForm(contactForm("expired", true, false), ask), "uk", false); }});
    scenes.push_back({"form-chat-only-light-en", 380, [=] {
                          return row(withForm(contactForm("pending", false, false), ask), "en",
                                     false, false);
                      }});
    for (const auto& locale : fixtures::locales)
        scenes.push_back(
            {"form-date-field-light-" + locale, 380,
             [=] { return row(withForm(kDateForm, "Which day suits you?"), locale, false); }});
    scenes.push_back({"form-date-field-dark-en", 380, [=] {
                          return row(withForm(kDateForm, "Which day suits you?"), "en", true);
                      }});

    const std::pair<const char*, const char*> commerce[] = {{"stores", kStores},
                                                            {"orders", kOrders},
                                                            {"detail", kDetail},
                                                            {"detail-empty", kEmptyDetail}};
    for (const auto& [name, json] : commerce) {
        for (const bool dark : {false, true}) {
            const std::string palette = dark ? "dark" : "light";
            scenes.push_back(
                {std::string("commerce-") + name + "-" + palette + "-en", 380,
                 [=] { return row(withCommerce(json, "Here is what I found."), "en", dark); }});
        }
    }
    scenes.push_back({"commerce-detail-light-de", 380, [=] {
                          return row(withCommerce(kDetail, "Das habe ich gefunden."), "de", false);
                      }});
}

} // namespace velmora::gallery
