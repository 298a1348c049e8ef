#!/usr/bin/env python3
"""Writes the seed corpus under fuzz/corpus/<target>/: a few valid inputs per target and the
reproducers of faults found earlier (locales that crashed ICU, a 106,000-character name, invalid
UTF-8 pairs, a title ending in a prepended-concatenation mark). Run it again after changing it;
the files it writes are checked in."""
import json
import pathlib
import shutil

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"
LONG_NAME = "Velmora Support " * 6625  # 106,000 characters
BAD_LOCALES = ["simplifiedchinese", "/zoneinfo/en"]
NUL = b"\0"


def text(value):
    if isinstance(value, bytes):
        return value
    if isinstance(value, str):
        return value.encode()
    return json.dumps(value, ensure_ascii=False, separators=(",", ":")).encode()


def seeds(target, named):
    directory = ROOT / target
    shutil.rmtree(directory, ignore_errors=True)
    directory.mkdir(parents=True)
    for name, value in named.items():
        (directory / name).write_bytes(text(value))


def joined(*parts):
    return NUL.join(text(p) for p in parts)


appearance = {
    "mode": "light",
    "tokens": {"fontFamily": "Noto Sans", "borderWidth": "1px",
               "light": {"surface": "#ffffff", "text": "#101828", "accent": "#275cf6"}},
    "layout": {"panelWidth": 380},
}

seeds("bridge_options", {
    "wrapped": {"widget": {"locale": "de", "view": "messages", "reduceMotion": True}},
    "flat": {"locale": "en", "title": "Help", "subtitle": "We reply fast",
             "hostActionIds": ["open-orders"], "context": {"plan": "pro", "seats": 3}},
    "appearance": {"appearance": {"mode": "dark", "tokens": {"fontFamily": "Noto Sans"}},
                   "platform": {"presentation": {"style": "push"}}},
    "article": {"view": "help", "articleId": "returns"},
    "long-title": {"title": LONG_NAME},
    **{f"locale-{i}": {"widget": {"locale": locale}} for i, locale in enumerate(BAD_LOCALES)},
})

seeds("bridge_design_document", {
    "service-appearance": joined(appearance, {"locale": "de"}),
    "empty": joined({}, {}),
    "overrides": joined(appearance, {"appearance": {"mode": "dark"}, "title": "Support"}),
    "long-title": joined(appearance, {"title": LONG_NAME, "subtitle": LONG_NAME[:5000]}),
    "document": joined({"schemaVersion": 2, "locale": "en", "appearance": appearance}, {}),
    **{f"locale-{i}": joined(appearance, {"locale": locale}) for i, locale in enumerate(BAD_LOCALES)},
    **{f"document-locale-{i}": joined({"schemaVersion": 2, "locale": locale}, {})
       for i, locale in enumerate(BAD_LOCALES)},
})

form = {"requestId": "r1", "name": "Return", "submitLabel": "Send", "status": "pending",
        "fields": [
            {"id": "order", "name": "Order number", "type": "text", "required": True,
             "value": "1001"},
            {"id": "count", "name": "Count", "type": "number", "required": False, "value": 2.0},
            {"id": "when", "name": "Date", "type": "date", "required": False},
            {"id": "why", "name": "Reasons", "type": "multi_select", "required": True,
             "options": ["Too big", "Too small", "Broken"],
             "conditions": [{"field": "order", "equals": "1001"}]},
            {"id": "ok", "name": "Agree", "type": "boolean", "required": False, "value": True},
        ]}
seeds("conversation_form", {
    "form": form,
    "submitted": {**form, "status": "submitted", "fields": form["fields"][:1]},
    "long-name": {**form, "name": LONG_NAME},
    "null-value": {**form, "fields": [{"id": "a", "name": "A", "type": "text",
                                       "required": False, "value": None}]},
})

availability = {"month": "2024-02", "startDate": "2024-02-01", "endDate": "2024-02-29",
                "earliestDate": "2024-02-01", "availableDates": ["2024-02-12", "2024-02-29"],
                "timeZone": "Europe/Kyiv", "procedureRevision": 4, "bindingSetRevision": 7}
card = {"procedureId": "book-visit", "procedureRevision": 4, "runId": "wr_1",
        "runUpdatedAt": "2024-02-01T10:00:00Z", "locale": "de", "phase": "collecting",
        "titleKey": "procedure.action.confirm", "promptKey": "status.working",
        "stepId": "date", "parameterId": "visitDate", "parameterType": "date",
        "calendarMode": True, "calendarAvailabilityLoaded": True,
        "dateAvailability": availability}
choice = {"procedureId": "return-order", "runId": "wr_2", "locale": "en", "phase": "collecting",
          "localizedTitle": "Which order?", "choiceMode": "single",
          "choices": [{"value": "o1", "label": "#1001"}, {"value": "", "label": "None"}],
          "summary": {"store": "Main"},
          "confirmationDetails": [{"labelKey": "order", "localizedLabel": "Order", "value": "o1",
                                   "presentation": {"kind": "record_detail",
                                                    "completeness": "complete",
                                                    "records": [{"id": "o1", "title": "#1001",
                                                                 "fields": [{"id": "t",
                                                                             "label": "Total",
                                                                             "value": "9.50 EUR",
                                                                             "state": "available",
                                                                             "format": "money"}]}]}}]}
seeds("procedure_card", {
    "calendar": card,
    "choice": choice,
    "quick-actions": [{"procedureId": "book-visit", "localizedTitle": "Book a visit"},
                      {"procedureId": "p", "titleKey": "status.working"}],
    "checkout": {"procedureId": "pay", "runId": "wr_3", "commerceProvider": "shopify",
                 "hostedCheckoutUrl": "https://shop.example.com/c/1", "quoteTotal": "9.50"},
    "long-title": {**choice, "localizedTitle": LONG_NAME},
    **{f"locale-{i}": {**card, "locale": locale} for i, locale in enumerate(BAD_LOCALES)},
})

order = {"reference": "o1", "displayNumber": "#1001", "createdAt": "2024-03-05T10:15:00Z",
         "total": {"amount": "19.90", "currencyCode": "EUR"},
         "financialStatus": "paid", "fulfillmentStatus": "fulfilled"}
detail = {"kind": "order_detail",
          "detail": {"storeDisplayName": "Main store", "order": order,
                     "lineItemsAvailability": "complete",
                     "lineItems": [{"reference": "li1", "title": "Shoes", "quantity": 2,
                                    "totalPrice": {"amount": "19.90", "currencyCode": "EUR"}}],
                     "trackingAvailability": "complete",
                     "tracking": [{"carrier": "DHL", "trackingNumber": "123"}]}}
seeds("commerce_result", {
    "detail": joined(detail, "de", "Europe/Berlin"),
    "collection": joined({"kind": "order_collection",
                          "collection": {"storeDisplayName": "Main", "orders": [order]}}, "en"),
    "stores": joined({"kind": "order_store_selection",
                      "stores": [{"reference": "s1", "displayName": "Main"}]}, "uk"),
    "long-name": joined({"kind": "order_store_selection",
                         "stores": [{"reference": "s1", "displayName": LONG_NAME}]}),
    **{f"locale-{i}": joined(detail, locale, "Europe/Berlin") for i, locale in enumerate(BAD_LOCALES)},
    "zone": joined(detail, "en", "/zoneinfo/en"),
})

identity = "\x1f".join(["https://support.example.com", "fuzz-integration", "account-a", "en"])
draft = {"text": "Where is my order?", "attachments": [], "operation": "sessionStart"}
pending = {"text": "Hello", "idempotencyKey": "k1", "startedAt": "2026-01-02T03:04:05Z",
           "attachments": [{"id": "att-1", "fileName": "label.pdf", "mimeType": "application/pdf",
                            "kind": "file", "data": "//4="}],
           "operation": "message", "targetSessionId": "s1"}
seeds("draft_store", {
    "file": {identity: draft, "other": pending},
    "pending": {identity: pending},
    "one-draft": draft,
    "long-text": {identity: {**draft, "text": LONG_NAME}},
    "invalid-utf8": b'{"' + identity.encode() + b'":{"text":"\xc3\x28","attachments":[],"operation":"message"}}',
})

entry = {"id": "m1", "accountScope": "account-a", "sessionId": "s1", "requestBody": "+/8Aww==",
         "input": {"text": "Hi"}, "createdAt": "2026-01-02T03:04:05Z", "attempts": 0}
start = {"accountScope": "account-a", "idempotencyKey": "k1", "requestBody": "",
         "input": {"message": "Hello"}, "createdAt": "2026-01-02T03:04:05Z"}
attachment_send = {"accountScope": "account-a", "sessionId": "s1", "messageId": "msg-1",
                   "attachments": [{"id": "att-1", "fileName": "label.pdf",
                                    "mimeType": "application/pdf", "kind": "file",
                                    "data": "//4="}],
                   "uploads": [{"clientId": "att-1",
                                "intent": {"clientId": "att-1", "attachmentId": "srv-1",
                                           "uploadUrl": "https://uploads.example.com/u/1",
                                           "uploadToken": "tok",
                                           "expiresAt": "2026-01-02T03:04:05Z"},
                                "uploaded": True}],
                   "createdAt": "2026-01-02T03:04:05Z"}
operation = {"accountScope": "account-a", "kind": "sessionStart", "idempotencyKey": "k1",
             "requestBody": "+/8Aww==", "sessionInput": {"message": "Hello"},
             "messageInput": {"text": "Hi"}, "attachments": [], "sessionId": "s1",
             "messageId": "msg-1", "createdAt": "2026-01-02T03:04:05Z"}
seeds("json_file_stores", {
    "outbox": b"\0" + text([entry, {**entry, "id": "m2", "attempts": 3}]),
    "sessions": b"\1" + text({"account-a": {"sessionId": "s1", "conversationId": "c1",
                                            "sessionToken": "t1"}}),
    "pending-starts": b"\2" + text({"account-a": start}),
    "pending-attachments": b"\3" + text({"account-a": attachment_send}),
    "pending-operations": b"\4" + text({"account-a": operation}),
    "long-name": b"\1" + text({"account-a": {"sessionId": LONG_NAME, "sessionToken": "t"}}),
})

seeds("help_search", {
    "plain": joined("return", "Returns and refunds", "How to send an order back"),
    "accents": joined("CAFÉ", "Cafe\u0301 hours", "Open daily"),
    "prepended-mark": joined("Returns\u0600", "Returns\u0600", "How to send an order back"),
    "prepended-mark-alone": joined("\u0600", "\u06dd", "body"),
    "combining-body": joined("\u0301x", "Title", "\u0301x"),
    "invalid-pair": joined(b"\xff", b"\xfe", b"\xc3\x28"),
    "invalid-pair-2": joined(b"\xed\xa0\x80", b"\xed\xbf\xbf", b"a\x80b"),
    "long-title": joined("support", LONG_NAME, "body"),
})

seeds("date_time", {
    "utc": "2026-01-02T03:04:05Z",
    "offset": "2024-02-29T23:59:59+14:00",
    "fraction": "2026-01-02T03:04:05.123456789Z",
    "long-fraction": "1970-01-01T00:00:00." + "9" * 40 + "-23:59",
    "edge-late": "2262-04-11T23:47:16.854775807Z",
    "edge-early": "1677-09-21T00:12:43.145224192Z",
    "non-ascii-digits": "\u0662\u0660\u0662\u0664-01-01T00:00:00Z",
    "invalid-utf8": b"2026-01-02T03:04:05\xffZ",
})

seeds("json_round_trip", {
    "object": {"a": [1, 2.5, -0.0, 1e300, "x/y", None, True], "b": {"c": "\u0000\u001f"}},
    "numbers": "[9007199254740993,18446744073709551615,-9223372036854775808,1e-320,0.1]",
    "duplicate-keys": '{"a":1,"a":2}',
    "escapes": '"\\ud83d\\ude00 \\u00e9 \\/"',
    "deep": "[" * 500 + "]" * 500,
    "invalid-utf8": b'["\xc3\x28","\xff"]',
    "lone-surrogate": '["\\ud800"]',
    "long-string": {"name": LONG_NAME},
})

seeds("operation_dispatcher", {
    "order-detail": joined({"operation": "order-detail", "orderRef": "1001"},
                           {"kind": "order_detail", "detail": {"order": order}}),
    "list-orders": joined({"operation": "list-orders", "query": {"store": "s1"}},
                          {"kind": "order_collection", "collection": {"orders": [order]}}),
    "submit-form": joined({"operation": "submit-form", "requestId": "r1",
                           "values": {"order": "1001", "count": 2}},
                          {"ok": True, "requestId": "r1", "status": "submitted"}),
    "procedure": joined({"operation": "procedure-action",
                         "input": {"action": "start", "value": "v",
                                   "idempotencyKey": "procedure-key-0123456789",
                                   "procedureId": "p"}},
                        {"ok": True, "sessionId": "sess_fuzz"}),
    "proposal": joined({"operation": "create-commerce-proposal",
                        "idempotencyKey": "proposal-key-0123456789",
                        "input": {"actionId": "shopify_order_cancel",
                                  "selection": {"storeReference": "s", "orderReference": "o",
                                                "lineItems": [{"lineItemReference": "li",
                                                               "quantity": 2}]}}},
                       {"proposalId": "p1", "status": "pending"}),
    "client-tool": joined({"operation": "client-tool-status", "callId": "ctc_1"},
                          {"ok": True, "callId": "ctc_1", "status": "ready",
                           "continuation": "operator-review"}),
    "intents": joined({"operation": "attachment-intents", "messageId": "msg-1",
                       "attachments": [{"clientId": "c1", "fileName": "photo.png",
                                        "mimeType": "image/png", "sizeBytes": 300,
                                        "kind": "image"}]},
                      {"ok": True, "intents": [{"clientId": "c1", "attachmentId": "a_1", "uploadUrl": "u",
                                    "uploadToken": "t", "expiresAt": "2030-01-01T00:00:00Z"}]}),
    # The target's home holds one small picture.
    "upload": joined({"operation": "upload-attachment",
                      "fileUri": "file:///tmp/velmora-fuzz-home/photo.png", "mimeType": "image/png",
                      "intent": {"clientId": "c1", "attachmentId": "a_1",
                                 "uploadUrl": "https://uploads.example.com/u/1",
                                 "uploadToken": "tok", "expiresAt": "2030-01-01T00:00:00Z"}},
                     "{}"),
    "outside-home": joined({"operation": "upload-attachment", "fileUri": "file:///etc/passwd",
                            "mimeType": "text/plain",
                            "intent": {"clientId": "c1", "attachmentId": "a_1", "uploadUrl": "u",
                                       "uploadToken": "t", "expiresAt": "2030-01-01T00:00:00Z"}},
                           "{}"),
    "long-name": joined({"operation": "order-detail", "orderRef": "1001"},
                        {"kind": "order_collection",
                         "collection": {"storeDisplayName": LONG_NAME, "orders": []}}),
    "invalid-utf8": joined(b'{"operation":"order-detail","orderRef":"\xc3\x28"}', b"\xff"),
})
