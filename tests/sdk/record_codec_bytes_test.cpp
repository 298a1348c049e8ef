// Pins the JSON of every record codec. Each fixture gives every field (or only the required
// ones), with each text equal to its key; decoding it and writing it again must give the same
// bytes, so a key renamed, moved, dropped or written when absent shows up here.

#include "client/attachment_wire_bodies.hpp"
#include "client/wire_bodies.hpp"
#include "detail/durable_record_codecs.hpp"
#include "detail/host_action_codecs.hpp"
#include "detail/json.hpp"
#include "detail/model_codecs.hpp"
#include "detail/procedure_catalogue.hpp"
#include "detail/procedure_model_codecs.hpp"
#include "detail/widget_codecs.hpp"
#include "detail/widget_configuration_response.hpp"
#include "detail/widget_content_codec.hpp"
#include "sdk/record_coding_support.hpp"
#include "velmora/client_tools.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace velmora::detail {
namespace {

using velmora::testing::DecodingKind;
using velmora::testing::failed;
using velmora::testing::Failure;

template <class T> std::string rewritten(std::string_view json) {
    return writeJSON(Codec<T>::encode(Codec<T>::decode(parseJSON(json), "")));
}

// Records whose codec is private to their source, through their public JSON functions.
template <class T> std::string rewrittenPublicly(std::string_view json) {
    return encodeJSON(decodeJSON<T>(json));
}

// Answers the client only reads: the fixture must decode.
template <class T> std::string readBack(std::string_view json) {
    (void)Codec<T>::decode(parseJSON(json), "");
    return std::string(json);
}

std::string catalogueReadBack(std::string_view json) {
    return decodeProcedureCatalogue(json) ? std::string(json) : "not a catalogue";
}

template <class T> Failure failureOf(std::string_view json) {
    try {
        (void)Codec<T>::decode(parseJSON(json), "");
        return std::nullopt;
    } catch (const VelmoraDecodingError& error) {
        return failed(error.kind(), error.path());
    }
}

struct Fixture {
    std::string_view record;
    std::string (*rewrite)(std::string_view);
    std::string_view json;
};

#define RECORD(Type) #Type, &rewritten < Type>
#define PUBLIC(Type) #Type, &rewrittenPublicly < Type>
#define READ(Type) #Type, &readBack < Type>

// clang-format off
const Fixture kFixtures[] = {
    {RECORD(VelmoraSession), R"({"sessionId":"sessionId","conversationId":"conversationId","sessionToken":"sessionToken"})"},
    {RECORD(VelmoraSession), R"({"sessionId":"sessionId","sessionToken":"sessionToken"})"},
    {RECORD(VelmoraPrefill), R"({"name":"name","email":"email","subject":"subject","message":"message","fields":{"key":"fields"}})"},
    {RECORD(VelmoraPrefill), R"({})"},
    {RECORD(VelmoraSessionStartInput), R"({"message":"message","idempotencyKey":"idempotencyKey","prefill":{},"metadata":{"key":"metadata"},"timeZone":"timeZone","turnstileToken":"turnstileToken","startedAt":"startedAt"})"},
    {RECORD(VelmoraSessionStartInput), R"({"message":"message"})"},
    {RECORD(VelmoraMessageInput), R"({"text":"text","idempotencyKey":"idempotencyKey","startedAt":"startedAt","metadata":{"key":"metadata"},"timeZone":"timeZone","turnstileToken":"turnstileToken"})"},
    {RECORD(VelmoraMessageInput), R"({"text":"text"})"},
    {RECORD(VelmoraAttachment), R"({"id":"id","fileName":"fileName","mimeType":"mimeType","kind":"kind","sizeBytes":9,"downloadUrl":"downloadUrl"})"},
    {RECORD(VelmoraAttachment), R"({})"},
    {RECORD(VelmoraAttachmentDraft), R"({"id":"draft-1","fileName":"notes.txt","mimeType":"text\/plain","kind":"text","data":"AQID"})"},
    {RECORD(VelmoraAttachmentUploadIntent), R"({"clientId":"clientId","attachmentId":"attachmentId","uploadUrl":"uploadUrl","uploadToken":"uploadToken","expiresAt":"expiresAt"})"},
    {RECORD(VelmoraMessage), R"({"id":"id","conversationId":"conversationId","direction":"direction","authorKind":"authorKind","bodyText":"bodyText","bodyMarkdown":"bodyMarkdown","sentAt":"sentAt","deliveryStatus":"deliveryStatus","attachments":[{}],"conversationForm":"conversationForm","commerceResult":"commerceResult"})"},
    {RECORD(VelmoraMessage), R"({"id":"id","conversationId":"conversationId","direction":"direction","bodyText":"bodyText","sentAt":"sentAt","deliveryStatus":"deliveryStatus"})"},
    {RECORD(VelmoraSupport), R"({"state":"state","emailState":"emailState","handoffAvailability":"handoffAvailability","handoffOfferState":"handoffOfferState","handoffOfferReason":"handoffOfferReason","handoffOfferExpiresAt":"handoffOfferExpiresAt"})"},
    {RECORD(VelmoraSupport), R"({"state":"state"})"},
    {RECORD(VelmoraSnapshot), R"({"sessionId":"sessionId","conversationId":"conversationId","messages":[{"id":"id","conversationId":"conversationId","direction":"direction","bodyText":"bodyText","sentAt":"sentAt","deliveryStatus":"deliveryStatus"}],"support":{"state":"state"},"procedureAction":"procedureAction","procedureQuickActions":["procedureQuickActions"],"conversationRevision":20})"},
    {RECORD(VelmoraSnapshot), R"({"sessionId":"sessionId","conversationId":"conversationId","messages":[{"id":"id","conversationId":"conversationId","direction":"direction","bodyText":"bodyText","sentAt":"sentAt","deliveryStatus":"deliveryStatus"}]})"},
    {RECORD(VelmoraAcceptedMessage), R"({"messageId":"messageId","sessionId":"sessionId","conversationId":"conversationId","status":"status"})"},
    {RECORD(VelmoraAcceptedMessage), R"({"sessionId":"sessionId","status":"status"})"},
    {RECORD(VelmoraConversationFormField), R"({"id":"id","name":"name","type":"type","options":["options"],"required":true,"conditions":["conditions"],"value":"value"})"},
    {RECORD(VelmoraConversationFormField), R"({"id":"id","name":"name","type":"type","options":["options"],"required":true,"conditions":["conditions"]})"},
    {RECORD(VelmoraConversationForm), R"({"requestId":"requestId","name":"name","submitLabel":"submitLabel","status":"status","fields":[{"id":"id","name":"name","type":"type","options":["options"],"required":true,"conditions":["conditions"]}]})"},
    {RECORD(VelmoraFormSubmission), R"({"ok":true,"requestId":"requestId","status":"status"})"},
    {RECORD(VelmoraProcedureActionInput), R"({"action":"action","value":"value","idempotencyKey":"idempotencyKey","procedureId":"procedureId","locale":"locale","runId":"runId","expectedUpdatedAt":"expectedUpdatedAt","stepId":"stepId","parameterId":"parameterId","timeZone":"timeZone","nativeCommerceUi":true})"},
    {RECORD(VelmoraProcedureActionInput), R"({"action":"action","value":"value","idempotencyKey":"idempotencyKey"})"},
    {RECORD(VelmoraProcedureActionResult), R"({"ok":true,"sessionId":"sessionId"})"},
    {RECORD(VelmoraCommerceLineItemSelection), R"({"lineItemReference":"lineItemReference","quantity":8})"},
    {RECORD(VelmoraCommerceSelection), R"({"storeReference":"storeReference","orderReference":"orderReference","lineItems":[{"lineItemReference":"lineItemReference","quantity":8}]})"},
    {RECORD(VelmoraCommerceSelection), R"({"storeReference":"storeReference","orderReference":"orderReference"})"},
    {RECORD(VelmoraCommerceProposalInput), R"({"actionId":"actionId","selection":{"storeReference":"storeReference","orderReference":"orderReference","lineItems":[{"lineItemReference":"lineItemReference","quantity":8}]}})"},
    {RECORD(VelmoraCommerceProposalInput), R"({"actionId":"actionId","selection":{"storeReference":"storeReference","orderReference":"orderReference"}})"},
    {RECORD(VelmoraCommerceProposalResult), R"({"state":"state","proposalId":"proposalId","actionId":"actionId","code":"code","confirmationExpiresAt":"confirmationExpiresAt"})"},
    {RECORD(VelmoraCommerceProposalResult), R"({"state":"state"})"},
    {RECORD(VelmoraCommerceConfirmationResult), R"({"state":"state","proposalId":"proposalId","actionId":"actionId","executionState":"executionState","code":"code"})"},
    {RECORD(VelmoraCommerceConfirmationResult), R"({"state":"state"})"},
    {RECORD(VelmoraOutboxEntry), R"({"id":"id","accountScope":"accountScope","sessionId":"sessionId","requestBody":"AQID","input":{"text":"text","idempotencyKey":"idempotencyKey","startedAt":"startedAt","metadata":{"key":"metadata"},"timeZone":"timeZone","turnstileToken":"turnstileToken"},"createdAt":"createdAt","attempts":8})"},
    {RECORD(VelmoraOutboxEntry), R"({"id":"id","accountScope":"accountScope","sessionId":"sessionId","requestBody":"AQID","input":{"text":"text"},"createdAt":"createdAt","attempts":8})"},
    {RECORD(VelmoraPendingSessionStart), R"({"accountScope":"accountScope","idempotencyKey":"idempotencyKey","requestBody":"AQID","input":{"message":"message","idempotencyKey":"idempotencyKey","prefill":{},"metadata":{"key":"metadata"},"timeZone":"timeZone","turnstileToken":"turnstileToken","startedAt":"startedAt"},"createdAt":"createdAt"})"},
    {RECORD(VelmoraPendingSessionStart), R"({"accountScope":"accountScope","idempotencyKey":"idempotencyKey","requestBody":"AQID","input":{"message":"message"},"createdAt":"createdAt"})"},
    {RECORD(VelmoraPendingAttachmentUpload), R"({"clientId":"clientId","intent":{"clientId":"clientId","attachmentId":"attachmentId","uploadUrl":"uploadUrl","uploadToken":"uploadToken","expiresAt":"expiresAt"},"uploaded":true})"},
    {RECORD(VelmoraPendingAttachmentUpload), R"({"clientId":"clientId","uploaded":true})"},
    {RECORD(VelmoraPendingAttachmentSend), R"({"accountScope":"accountScope","sessionId":"sessionId","messageId":"messageId","attachments":[{"id":"draft-1","fileName":"notes.txt","mimeType":"text\/plain","kind":"text","data":"AQID"}],"uploads":[{"clientId":"clientId","uploaded":true}],"createdAt":"createdAt"})"},
    {RECORD(VelmoraPendingAttachmentOperation), R"({"accountScope":"accountScope","kind":"message","idempotencyKey":"idempotencyKey","requestBody":"AQID","sessionInput":{"message":"message"},"messageInput":{"text":"text"},"attachments":[{"id":"draft-1","fileName":"notes.txt","mimeType":"text\/plain","kind":"text","data":"AQID"}],"sessionId":"sessionId","messageId":"messageId","createdAt":"createdAt"})"},
    {RECORD(VelmoraPendingAttachmentOperation), R"({"accountScope":"accountScope","kind":"message","idempotencyKey":"idempotencyKey","requestBody":"AQID","attachments":[{"id":"draft-1","fileName":"notes.txt","mimeType":"text\/plain","kind":"text","data":"AQID"}],"createdAt":"createdAt"})"},
    {RECORD(VelmoraHostActionResult), R"({"ok":true,"status":"completed","data":"data","code":"code","retryable":true})"},
    {RECORD(VelmoraHostActionResult), R"({"ok":true,"status":"completed"})"},
    {RECORD(VelmoraHostActionCompletion), R"({"requestId":"requestId","actionId":"actionId","result":{"ok":true,"status":"completed","data":"data","code":"code","retryable":true}})"},
    {RECORD(VelmoraHostActionCompletion), R"({"requestId":"requestId","actionId":"actionId","result":{"ok":true,"status":"completed"}})"},
    {RECORD(VelmoraWidgetPalette), R"({"surface":"surface","raisedSurface":"raisedSurface","text":"text","mutedText":"mutedText","border":"border","accent":"accent","onAccent":"onAccent","link":"link","focus":"focus"})"},
    {RECORD(VelmoraWidgetTypography), R"({"fontFamily":"fontFamily","fontSizePx":10.5,"lineHeight":10.5})"},
    {RECORD(VelmoraWidgetSpacing), R"({"xsPx":4.5,"smPx":4.5,"mdPx":4.5,"lgPx":4.5,"xlPx":4.5})"},
    {RECORD(VelmoraWidgetMetrics), R"({"touchTargetPx":13.5,"launcherMinHeightPx":19.5,"panelWidthPx":12.5,"panelHeightPx":13.5,"offsetInlinePx":14.5,"offsetBlockPx":13.5})"},
    {RECORD(VelmoraWidgetResolvedLayout), R"({"placement":"placement","panelWidth":"panelWidth","panelHeight":"panelHeight"})"},
    {RECORD(VelmoraWidgetAppearance), R"({"mode":"light","light":{"surface":"surface","raisedSurface":"raisedSurface","text":"text","mutedText":"mutedText","border":"border","accent":"accent","onAccent":"onAccent","link":"link","focus":"focus"},"dark":{"surface":"surface","raisedSurface":"raisedSurface","text":"text","mutedText":"mutedText","border":"border","accent":"accent","onAccent":"onAccent","link":"link","focus":"focus"},"typography":{"fontFamily":"fontFamily","fontSizePx":10.5,"lineHeight":10.5},"spacing":{"xsPx":4.5,"smPx":4.5,"mdPx":4.5,"lgPx":4.5,"xlPx":4.5},"metrics":{"touchTargetPx":13.5,"launcherMinHeightPx":19.5,"panelWidthPx":12.5,"panelHeightPx":13.5,"offsetInlinePx":14.5,"offsetBlockPx":13.5},"controlRadiusPx":15.5,"borderWidthPx":13.5,"shadow":"soft","layout":{"placement":"placement","panelWidth":"panelWidth","panelHeight":"panelHeight"}})"},
    {RECORD(VelmoraWidgetRawPalette), R"({"surface":"surface","raisedSurface":"raisedSurface","text":"text","mutedText":"mutedText","border":"border","accent":"accent","onAccent":"onAccent","link":"link","focus":"focus"})"},
    {RECORD(VelmoraWidgetRawPalette), R"({})"},
    {RECORD(VelmoraWidgetRawAppearanceV2::Tokens), R"({"light":{},"dark":{},"fontFamily":"fontFamily","fontSize":"fontSize","lineHeight":10.5,"controlRadius":"controlRadius","borderWidth":"borderWidth","shadow":"soft"})"},
    {RECORD(VelmoraWidgetRawAppearanceV2::Tokens), R"({})"},
    {RECORD(VelmoraWidgetRawAppearanceV2::Layout), R"({"placement":"placement","offsetInline":12.5,"offsetBlock":11.5,"panelWidth":10.5,"panelHeight":11.5})"},
    {RECORD(VelmoraWidgetRawAppearanceV2::Layout), R"({})"},
    {RECORD(VelmoraWidgetRawAppearanceV2), R"({"mode":"light","lightSurfaceStyle":"lightSurfaceStyle","tokens":{},"layout":{}})"},
    {RECORD(VelmoraWidgetRawAppearanceV2), R"({})"},
    {RECORD(VelmoraWidgetPresentationInput), R"({"launcherVisible":true,"hideLauncherOnOpen":true,"panelPresentation":"panelPresentation"})"},
    {RECORD(VelmoraWidgetPresentationInput), R"({})"},
    {RECORD(VelmoraWidgetPresentation), R"({"launcherVisible":true,"hideLauncherOnOpen":true,"panelPresentation":"panelPresentation"})"},
    {RECORD(VelmoraWidgetPlatformOverride::SafeArea), R"({"topPx":5.5,"rightPx":7.5,"bottomPx":8.5,"leftPx":6.5})"},
    {RECORD(VelmoraWidgetPlatformOverride::SafeArea), R"({})"},
    {RECORD(VelmoraWidgetPlatformOverride::Keyboard), R"({"resizeMode":"resizeMode","dismissOnSubmit":true})"},
    {RECORD(VelmoraWidgetPlatformOverride::Keyboard), R"({})"},
    {RECORD(VelmoraWidgetPlatformOverride::Navigation), R"({"presentation":"presentation","closeBehavior":"closeBehavior"})"},
    {RECORD(VelmoraWidgetPlatformOverride::Navigation), R"({})"},
    {RECORD(VelmoraWidgetPlatformOverride), R"({"appearance":{},"safeArea":{},"keyboard":{},"navigation":{}})"},
    {RECORD(VelmoraWidgetPlatformOverride), R"({})"},
    {RECORD(VelmoraWidgetExperienceInput), R"({"schemaVersion":13,"locale":"locale","appearance":{},"platformOverrides":{"key":{}},"presentation":{},"reducedMotion":"reducedMotion","copy":{"key":"copy"}})"},
    {RECORD(VelmoraWidgetExperienceInput), R"({"schemaVersion":13,"locale":"locale"})"},
    {RECORD(VelmoraWidgetExperience), R"({"schemaVersion":13,"locale":"locale","platform":"ios","rawAppearanceV2":{"mode":"light","lightSurfaceStyle":"lightSurfaceStyle","tokens":{},"layout":{}},"appearance":{"mode":"light","light":{"surface":"surface","raisedSurface":"raisedSurface","text":"text","mutedText":"mutedText","border":"border","accent":"accent","onAccent":"onAccent","link":"link","focus":"focus"},"dark":{"surface":"surface","raisedSurface":"raisedSurface","text":"text","mutedText":"mutedText","border":"border","accent":"accent","onAccent":"onAccent","link":"link","focus":"focus"},"typography":{"fontFamily":"fontFamily","fontSizePx":10.5,"lineHeight":10.5},"spacing":{"xsPx":4.5,"smPx":4.5,"mdPx":4.5,"lgPx":4.5,"xlPx":4.5},"metrics":{"touchTargetPx":13.5,"launcherMinHeightPx":19.5,"panelWidthPx":12.5,"panelHeightPx":13.5,"offsetInlinePx":14.5,"offsetBlockPx":13.5},"controlRadiusPx":15.5,"borderWidthPx":13.5,"shadow":"soft","layout":{"placement":"placement","panelWidth":"panelWidth","panelHeight":"panelHeight"}},"platformOverride":{},"presentation":{"launcherVisible":true,"hideLauncherOnOpen":true,"panelPresentation":"panelPresentation"},"reducedMotionMode":"always","reducedMotion":true,"copy":{"values":{"panel.title":"Help"}},"sources":{"key":"sources"}})"},
    {RECORD(VelmoraWidgetExperience), R"({"schemaVersion":13,"locale":"locale","platform":"ios","rawAppearanceV2":{},"appearance":{"mode":"light","light":{"surface":"surface","raisedSurface":"raisedSurface","text":"text","mutedText":"mutedText","border":"border","accent":"accent","onAccent":"onAccent","link":"link","focus":"focus"},"dark":{"surface":"surface","raisedSurface":"raisedSurface","text":"text","mutedText":"mutedText","border":"border","accent":"accent","onAccent":"onAccent","link":"link","focus":"focus"},"typography":{"fontFamily":"fontFamily","fontSizePx":10.5,"lineHeight":10.5},"spacing":{"xsPx":4.5,"smPx":4.5,"mdPx":4.5,"lgPx":4.5,"xlPx":4.5},"metrics":{"touchTargetPx":13.5,"launcherMinHeightPx":19.5,"panelWidthPx":12.5,"panelHeightPx":13.5,"offsetInlinePx":14.5,"offsetBlockPx":13.5},"controlRadiusPx":15.5,"borderWidthPx":13.5,"shadow":"soft","layout":{"placement":"placement","panelWidth":"panelWidth","panelHeight":"panelHeight"}},"presentation":{"launcherVisible":true,"hideLauncherOnOpen":true,"panelPresentation":"panelPresentation"},"reducedMotionMode":"always","reducedMotion":true,"copy":{"values":{"panel.title":"Help"}},"sources":{"key":"sources"}})"},
    {RECORD(VelmoraWidgetVoiceSettings), R"({"enabled":true,"defaultSpeechLanguage":"defaultSpeechLanguage","allowedSpeechLanguages":["allowedSpeechLanguages"]})"},
    {RECORD(VelmoraAttachmentDescriptor), R"({"clientId":"clientId","fileName":"fileName","mimeType":"mimeType","sizeBytes":9,"kind":"kind"})"},
    {RECORD(AttachmentIntentResponse), R"({"ok":true,"intents":[{"clientId":"clientId","attachmentId":"attachmentId","uploadUrl":"uploadUrl","uploadToken":"uploadToken","expiresAt":"expiresAt"}]})"},
    {PUBLIC(VelmoraClientToolRequest), R"({"toolName":"toolName","basisMessageId":"basisMessageId","input":{"key":"input"}})"},
    {PUBLIC(VelmoraClientToolResult), R"({"callId":"callId","output":{"key":"output"}})"},
    {READ(VelmoraWidgetNavigation), R"({"messages":true,"help":true})"},
    {READ(VelmoraWidgetBusinessHoursWindow), R"({"weekday":7,"startMinute":11,"endMinute":9})"},
    {READ(VelmoraWidgetOfficeHoliday), R"({"date":"date","name":"name"})"},
    {READ(VelmoraWidgetAvailabilitySnapshot), R"({"state":"ai-online","withinBusinessHours":true,"humanAvailable":true,"aiAvailable":true,"expectedReplyMinutes":20,"expectedReplySource":"recent-performance","firstReplySlaMinutes":20,"calculatedAt":"calculatedAt"})"},
    {READ(VelmoraWidgetAvailabilitySnapshot), R"({"state":"ai-online","withinBusinessHours":true,"humanAvailable":true,"aiAvailable":true,"expectedReplySource":"recent-performance","calculatedAt":"calculatedAt"})"},
    {READ(VelmoraWidgetAvailabilityMessageKeys), R"({"teamOnline":"teamOnline","aiOnline":"aiOnline","busy":"busy","offline":"offline","replyTeam":"replyTeam","replyAi":"replyAi","replyBusy":"replyBusy","replyOffline":"replyOffline","replyTeamSla":"replyTeamSla","replyAiSla":"replyAiSla","replyBusySla":"replyBusySla","replyOfflineSla":"replyOfflineSla","replyUnknown":"replyUnknown"})"},
    {READ(VelmoraWidgetAvailability), R"({"mode":"business-hours","timezone":"timezone","businessHours":[{"weekday":7,"startMinute":11,"endMinute":9}],"holidays":[{"date":"date","name":"name"}],"showAgentAvailability":true,"snapshot":{"state":"ai-online","withinBusinessHours":true,"humanAvailable":true,"aiAvailable":true,"expectedReplyMinutes":20,"expectedReplySource":"recent-performance","firstReplySlaMinutes":20,"calculatedAt":"calculatedAt"},"messageKeys":{"teamOnline":"teamOnline","aiOnline":"aiOnline","busy":"busy","offline":"offline","replyTeam":"replyTeam","replyAi":"replyAi","replyBusy":"replyBusy","replyOffline":"replyOffline","replyTeamSla":"replyTeamSla","replyAiSla":"replyAiSla","replyBusySla":"replyBusySla","replyOfflineSla":"replyOfflineSla","replyUnknown":"replyUnknown"}})"},
    {READ(VelmoraWidgetAvailability), R"({"mode":"business-hours","timezone":"timezone","businessHours":[{"weekday":7,"startMinute":11,"endMinute":9}],"holidays":[{"date":"date","name":"name"}],"showAgentAvailability":true,"snapshot":{"state":"ai-online","withinBusinessHours":true,"humanAvailable":true,"aiAvailable":true,"expectedReplySource":"recent-performance","calculatedAt":"calculatedAt"},"messageKeys":{"teamOnline":"teamOnline","aiOnline":"aiOnline","busy":"busy","offline":"offline","replyTeam":"replyTeam","replyAi":"replyAi","replyBusy":"replyBusy","replyOffline":"replyOffline","replyTeamSla":"replyTeamSla","replyAiSla":"replyAiSla","replyBusySla":"replyBusySla","replyOfflineSla":"replyOfflineSla","replyUnknown":"replyUnknown"}})"},
    {READ(WidgetConfigurationTheme), R"({"colorMode":"light"})"},
    {READ(WidgetAppearanceResponseConfig), R"({"appearance":{"key":"appearance"},"workspacePublicName":"workspacePublicName","theme":{"colorMode":"light"},"aiMode":"aiMode","channels":["website-widget"],"navigation":{"messages":true,"help":true},"availability":{"mode":"business-hours","timezone":"timezone","businessHours":[{"weekday":7,"startMinute":11,"endMinute":9}],"holidays":[{"date":"date","name":"name"}],"showAgentAvailability":true,"snapshot":{"state":"ai-online","withinBusinessHours":true,"humanAvailable":true,"aiAvailable":true,"expectedReplyMinutes":20,"expectedReplySource":"recent-performance","firstReplySlaMinutes":20,"calculatedAt":"calculatedAt"},"messageKeys":{"teamOnline":"teamOnline","aiOnline":"aiOnline","busy":"busy","offline":"offline","replyTeam":"replyTeam","replyAi":"replyAi","replyBusy":"replyBusy","replyOffline":"replyOffline","replyTeamSla":"replyTeamSla","replyAiSla":"replyAiSla","replyBusySla":"replyBusySla","replyOfflineSla":"replyOfflineSla","replyUnknown":"replyUnknown"}},"voice":{"enabled":true,"defaultSpeechLanguage":"defaultSpeechLanguage","allowedSpeechLanguages":["allowedSpeechLanguages"]}})"},
    {READ(WidgetAppearanceResponseConfig), R"({"appearance":{"key":"appearance"},"theme":{"colorMode":"light"},"aiMode":"aiMode","channels":["website-widget"],"navigation":{"messages":true,"help":true},"availability":{"mode":"business-hours","timezone":"timezone","businessHours":[{"weekday":7,"startMinute":11,"endMinute":9}],"holidays":[{"date":"date","name":"name"}],"showAgentAvailability":true,"snapshot":{"state":"ai-online","withinBusinessHours":true,"humanAvailable":true,"aiAvailable":true,"expectedReplySource":"recent-performance","calculatedAt":"calculatedAt"},"messageKeys":{"teamOnline":"teamOnline","aiOnline":"aiOnline","busy":"busy","offline":"offline","replyTeam":"replyTeam","replyAi":"replyAi","replyBusy":"replyBusy","replyOffline":"replyOffline","replyTeamSla":"replyTeamSla","replyAiSla":"replyAiSla","replyBusySla":"replyBusySla","replyOfflineSla":"replyOfflineSla","replyUnknown":"replyUnknown"}}})"},
    {READ(WidgetAppearanceResponse), R"({"ok":true,"config":{"appearance":{"key":"appearance"},"workspacePublicName":"workspacePublicName","theme":{"colorMode":"light"},"aiMode":"aiMode","channels":["website-widget"],"navigation":{"messages":true,"help":true},"availability":{"mode":"business-hours","timezone":"timezone","businessHours":[{"weekday":7,"startMinute":11,"endMinute":9}],"holidays":[{"date":"date","name":"name"}],"showAgentAvailability":true,"snapshot":{"state":"ai-online","withinBusinessHours":true,"humanAvailable":true,"aiAvailable":true,"expectedReplyMinutes":20,"expectedReplySource":"recent-performance","firstReplySlaMinutes":20,"calculatedAt":"calculatedAt"},"messageKeys":{"teamOnline":"teamOnline","aiOnline":"aiOnline","busy":"busy","offline":"offline","replyTeam":"replyTeam","replyAi":"replyAi","replyBusy":"replyBusy","replyOffline":"replyOffline","replyTeamSla":"replyTeamSla","replyAiSla":"replyAiSla","replyBusySla":"replyBusySla","replyOfflineSla":"replyOfflineSla","replyUnknown":"replyUnknown"}},"voice":{"enabled":true,"defaultSpeechLanguage":"defaultSpeechLanguage","allowedSpeechLanguages":["allowedSpeechLanguages"]}}})"},
    {READ(WidgetAppearanceResponse), R"({"ok":true,"config":{"appearance":{"key":"appearance"},"theme":{"colorMode":"light"},"aiMode":"aiMode","channels":["website-widget"],"navigation":{"messages":true,"help":true},"availability":{"mode":"business-hours","timezone":"timezone","businessHours":[{"weekday":7,"startMinute":11,"endMinute":9}],"holidays":[{"date":"date","name":"name"}],"showAgentAvailability":true,"snapshot":{"state":"ai-online","withinBusinessHours":true,"humanAvailable":true,"aiAvailable":true,"expectedReplySource":"recent-performance","calculatedAt":"calculatedAt"},"messageKeys":{"teamOnline":"teamOnline","aiOnline":"aiOnline","busy":"busy","offline":"offline","replyTeam":"replyTeam","replyAi":"replyAi","replyBusy":"replyBusy","replyOffline":"replyOffline","replyTeamSla":"replyTeamSla","replyAiSla":"replyAiSla","replyBusySla":"replyBusySla","replyOfflineSla":"replyOfflineSla","replyUnknown":"replyUnknown"}}}})"},
    {READ(VelmoraWidgetContentPrefill), R"({"subjectKey":"subjectKey","messageKey":"messageKey","productArea":"productArea"})"},
    {READ(VelmoraWidgetContentPrefill), R"({})"},
    {READ(VelmoraWidgetContentFAQ), R"({"id":"id","titleKey":"titleKey","bodyKey":"bodyKey","action":"action","actionLabelKey":"actionLabelKey","workflowId":"workflowId","prefill":{}})"},
    {READ(VelmoraWidgetContentFAQ), R"({"id":"id","titleKey":"titleKey","bodyKey":"bodyKey","action":"action"})"},
    {READ(VelmoraWidgetContentWorkflowOption), R"({"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action","nextStepId":"nextStepId","hostActionId":"hostActionId","prefill":{}})"},
    {READ(VelmoraWidgetContentWorkflowOption), R"({"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action"})"},
    {READ(VelmoraWidgetContentWorkflowStep), R"({"id":"id","type":"type","promptKey":"promptKey","detailKey":"detailKey","options":[{"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action"}],"handoffReasonKey":"handoffReasonKey"})"},
    {READ(VelmoraWidgetContentWorkflowStep), R"({"id":"id","type":"type","promptKey":"promptKey","options":[{"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action"}]})"},
    {READ(VelmoraWidgetContentWorkflow), R"({"id":"id","titleKey":"titleKey","descriptionKey":"descriptionKey","initialStepId":"initialStepId","steps":[{"id":"id","type":"type","promptKey":"promptKey","options":[{"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action"}]}]})"},
    {READ(VelmoraWidgetContentBehavior), R"({"enabled":true,"mode":"mode","showHomeContact":true,"showFaqFirst":true,"faqSectionTitleKey":"faqSectionTitleKey","workflowSectionTitleKey":"workflowSectionTitleKey","contactFallbackLabelKey":"contactFallbackLabelKey","operatorEscalationLabelKey":"operatorEscalationLabelKey","faq":[{"id":"id","titleKey":"titleKey","bodyKey":"bodyKey","action":"action"}],"workflows":[{"id":"id","titleKey":"titleKey","descriptionKey":"descriptionKey","initialStepId":"initialStepId","steps":[{"id":"id","type":"type","promptKey":"promptKey","options":[{"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action"}]}]}]})"},
    {READ(VelmoraWidgetContentBehavior), R"({"enabled":true,"mode":"mode","showFaqFirst":true,"faqSectionTitleKey":"faqSectionTitleKey","workflowSectionTitleKey":"workflowSectionTitleKey","contactFallbackLabelKey":"contactFallbackLabelKey","operatorEscalationLabelKey":"operatorEscalationLabelKey","faq":[{"id":"id","titleKey":"titleKey","bodyKey":"bodyKey","action":"action"}],"workflows":[{"id":"id","titleKey":"titleKey","descriptionKey":"descriptionKey","initialStepId":"initialStepId","steps":[{"id":"id","type":"type","promptKey":"promptKey","options":[{"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action"}]}]}]})"},
    {READ(VelmoraWidgetContentResponse), R"({"ok":true,"locale":"locale","behavior":{"enabled":true,"mode":"mode","showHomeContact":true,"showFaqFirst":true,"faqSectionTitleKey":"faqSectionTitleKey","workflowSectionTitleKey":"workflowSectionTitleKey","contactFallbackLabelKey":"contactFallbackLabelKey","operatorEscalationLabelKey":"operatorEscalationLabelKey","faq":[{"id":"id","titleKey":"titleKey","bodyKey":"bodyKey","action":"action"}],"workflows":[{"id":"id","titleKey":"titleKey","descriptionKey":"descriptionKey","initialStepId":"initialStepId","steps":[{"id":"id","type":"type","promptKey":"promptKey","options":[{"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action"}]}]}]},"messages":{"key":"messages"}})"},
    {READ(VelmoraWidgetContentResponse), R"({"ok":true,"locale":"locale","behavior":{"enabled":true,"mode":"mode","showFaqFirst":true,"faqSectionTitleKey":"faqSectionTitleKey","workflowSectionTitleKey":"workflowSectionTitleKey","contactFallbackLabelKey":"contactFallbackLabelKey","operatorEscalationLabelKey":"operatorEscalationLabelKey","faq":[{"id":"id","titleKey":"titleKey","bodyKey":"bodyKey","action":"action"}],"workflows":[{"id":"id","titleKey":"titleKey","descriptionKey":"descriptionKey","initialStepId":"initialStepId","steps":[{"id":"id","type":"type","promptKey":"promptKey","options":[{"id":"id","labelKey":"labelKey","labelValues":{"key":"labelValues"},"action":"action"}]}]}]},"messages":{"key":"messages"}})"},
    {READ(SessionResponse), R"({"ok":true,"sessionId":"sessionId","conversationId":"conversationId","sessionToken":"sessionToken","messageId":"messageId"})"},
    {READ(SessionResponse), R"({"ok":true,"sessionId":"sessionId","sessionToken":"sessionToken"})"},
    {READ(ResumeResponse), R"({"ok":true,"sessionId":"sessionId","conversationId":"conversationId","sessionToken":"sessionToken"})"},
    {READ(ResumeResponse), R"({"ok":true})"},
    {READ(AcceptedResponse), R"({"ok":true,"sessionId":"sessionId","conversationId":"conversationId","messageId":"messageId","status":"status"})"},
    {READ(AcceptedResponse), R"({"ok":true,"status":"status"})"},
    {READ(MessagesResponse), R"({"ok":true,"sessionId":"sessionId","conversationId":"conversationId","messages":[{"id":"id","conversationId":"conversationId","direction":"direction","bodyText":"bodyText","sentAt":"sentAt","deliveryStatus":"deliveryStatus"}],"support":{"state":"state"},"procedureAction":"procedureAction","procedureQuickActions":["procedureQuickActions"],"conversationRevision":20})"},
    {READ(MessagesResponse), R"({"ok":true,"sessionId":"sessionId","conversationId":"conversationId","messages":[{"id":"id","conversationId":"conversationId","direction":"direction","bodyText":"bodyText","sentAt":"sentAt","deliveryStatus":"deliveryStatus"}]})"},
    {READ(AttachmentUploadResponse), R"({"ok":true,"attachmentId":"attachmentId"})"},
    {"ProcedureCatalogue", &catalogueReadBack, R"({"revisionedProcedureIds":["revisionedProcedureIds"],"locales":{"key":{"key":"locales"}}})"},
};
// clang-format on

TEST(RecordCodecBytes, EveryFixtureWritesBackItsOwnBytes) {
    for (const auto& fixture : kFixtures) {
        try {
            EXPECT_EQ(fixture.rewrite(fixture.json), fixture.json) << fixture.record;
        } catch (const std::exception& error) {
            ADD_FAILURE() << fixture.record << ": " << error.what() << "\n" << fixture.json;
        }
    }
}

// Request bodies are only written; the request pipeline sorts their keys afterwards.
TEST(RecordCodecBytes, RequestBodiesWriteTheirFieldsInOrder) {
    const JSONValue::Object metadata{{"key", JSONValue(std::string("metadata"))}};
    const SessionStartRequest start{"integrationPublicId", "locale", "message",  "startedAt",
                                    VelmoraPrefill{},      metadata, "timeZone", "turnstileToken",
                                    "idempotencyKey"};
    EXPECT_EQ(
        writeJSON(Codec<SessionStartRequest>::encode(start)),
        R"({"integrationPublicId":"integrationPublicId","locale":"locale","message":"message","startedAt":"startedAt","prefill":{},"metadata":{"key":"metadata"},"timeZone":"timeZone","turnstileToken":"turnstileToken","idempotencyKey":"idempotencyKey"})");
    const MessageRequest message{"integrationPublicId", "locale",        "message",
                                 "startedAt",           std::nullopt,    std::nullopt,
                                 std::nullopt,          "idempotencyKey"};
    EXPECT_EQ(
        writeJSON(Codec<MessageRequest>::encode(message)),
        R"({"integrationPublicId":"integrationPublicId","locale":"locale","message":"message","startedAt":"startedAt","idempotencyKey":"idempotencyKey"})");
    const AttachmentIntentRequest intents{{{"clientId", "fileName", "mimeType", 9, "kind"}}};
    EXPECT_EQ(
        writeJSON(Codec<AttachmentIntentRequest>::encode(intents)),
        R"({"attachments":[{"clientId":"clientId","fileName":"fileName","mimeType":"mimeType","sizeBytes":9,"kind":"kind"}]})");
}

struct FailureCase {
    Failure (*decode)(std::string_view);
    std::string_view json;
    Failure expected;
};

TEST(RecordCodecBytes, DecodingFailuresKeepTheirKindAndPath) {
    const FailureCase cases[] = {
        {&failureOf<VelmoraSession>, R"({"sessionId":"s"})",
         failed(DecodingKind::keyNotFound, "sessionToken")},
        {&failureOf<VelmoraSession>, R"({"sessionId":null,"sessionToken":"t"})",
         failed(DecodingKind::valueNotFound, "sessionId")},
        // A null optional reads as absent; unknown keys are ignored.
        {&failureOf<VelmoraSession>,
         R"({"sessionId":"s","conversationId":null,"sessionToken":"t","extra":1})", std::nullopt},
        {&failureOf<VelmoraSession>, R"(["s"])", failed(DecodingKind::typeMismatch, "")},
        // Fields are read in declaration order: the first bad one is reported.
        {&failureOf<VelmoraMessage>, R"({"conversationId":1,"direction":2})",
         failed(DecodingKind::keyNotFound, "id")},
        {&failureOf<VelmoraMessage>, R"({"id":"m","conversationId":1,"direction":2})",
         failed(DecodingKind::typeMismatch, "conversationId")},
        {&failureOf<VelmoraSnapshot>,
         R"({"sessionId":"s","conversationId":"c","messages":[{"id":"m"}]})",
         failed(DecodingKind::keyNotFound, "messages[0].conversationId")},
        {&failureOf<VelmoraAttachment>, R"({"sizeBytes":"1"})",
         failed(DecodingKind::typeMismatch, "sizeBytes")},
        {&failureOf<VelmoraAttachment>, R"({"sizeBytes":1.5})",
         failed(DecodingKind::dataCorrupted, "sizeBytes")},
        {&failureOf<VelmoraOutboxEntry>,
         R"({"id":"i","accountScope":"a","sessionId":"s","requestBody":"!!"})",
         failed(DecodingKind::dataCorrupted, "requestBody")},
        {&failureOf<VelmoraPendingAttachmentOperation>, R"({"accountScope":"a","kind":"other"})",
         failed(DecodingKind::dataCorrupted, "kind")},
        {&failureOf<VelmoraPendingAttachmentSend>,
         R"({"accountScope":"a","sessionId":"s","messageId":"m","attachments":[{"id":"d"}]})",
         failed(DecodingKind::keyNotFound, "attachments[0].fileName")},
        {&failureOf<VelmoraHostActionCompletion>,
         R"({"requestId":"r","actionId":"a","result":{"ok":true}})",
         failed(DecodingKind::keyNotFound, "result.status")},
        {&failureOf<VelmoraHostActionCompletion>,
         R"({"requestId":"r","actionId":"a","result":{"ok":true,"status":"done"}})",
         failed(DecodingKind::dataCorrupted, "result.status")},
        {&failureOf<VelmoraWidgetExperienceInput>,
         R"({"schemaVersion":2,"locale":"en","platformOverrides":{"ios":{"safeArea":{"topPx":"1"}}}})",
         failed(DecodingKind::typeMismatch, "platformOverrides.ios.safeArea.topPx")},
        {&failureOf<WidgetAppearanceResponse>,
         R"({"ok":true,"config":{"appearance":{},"theme":{"colorMode":"sepia"}}})",
         failed(DecodingKind::dataCorrupted, "config.theme.colorMode")},
        {&failureOf<VelmoraWidgetContentResponse>,
         R"({"ok":true,"locale":"en","behavior":{"enabled":true,"mode":"m","showFaqFirst":"no"}})",
         failed(DecodingKind::typeMismatch, "behavior.showFaqFirst")},
        {&failureOf<MessagesResponse>,
         R"({"ok":true,"sessionId":"s","conversationId":"c","messages":[],"conversationRevision":1e300})",
         failed(DecodingKind::dataCorrupted, "conversationRevision")},
        {&failureOf<AttachmentIntentResponse>, R"({"ok":true,"intents":[{"clientId":null}]})",
         failed(DecodingKind::valueNotFound, "intents[0].clientId")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.decode(c.json), c.expected) << c.json;
    }
}

} // namespace
} // namespace velmora::detail
