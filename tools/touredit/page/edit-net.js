// The editor's talk with touredit: the state, edits sent one at a time
// against the version they were made on, conflicts, undo and the poll that
// shows other programs' changes.
(function () {
  "use strict";

  var app = {
    state: null,
    busy: 0, // requests that change the plan, in flight
    held: 0, // local changes not yet sent (a move in progress)
    undo: [], // plan texts before this page's changes, newest last
    onState: null, // function (state, how): how is "edit", "poll", "conflict" or "load"
    say: null, // function (text, kind)
  };

  function request(method, url, body) {
    var init = { method: method, credentials: "same-origin", headers: {} };
    if (body !== undefined) {
      init.headers["Content-Type"] = "application/json";
      init.body = JSON.stringify(body);
    }
    return fetch(url, init).then(
      function (response) {
        return response.text().then(function (text) {
          var json = null;
          try {
            json = text ? JSON.parse(text) : null;
          } catch (e) {
            json = null;
          }
          return { status: response.status, json: json };
        });
      },
      function () {
        return { status: 0, json: null };
      },
    );
  }

  function isState(json) {
    return json && typeof json.version === "string" && Array.isArray(json.points);
  }

  function apply(state, how) {
    app.state = state;
    if (app.onState) app.onState(state, how);
  }

  // Sends `fields` that change the plan, with the version they apply to;
  // resolves to {ok} or {ok: false, error, field, conflict}. Requests go one
  // after another, each against the version the previous one left.
  var chain = Promise.resolve();
  function change(method, url, fields, undoable) {
    app.busy++;
    var run = function () {
      var before = app.state.text;
      app.say("Saving…", "busy");
      var body = Object.assign({ version: app.state.version }, fields);
      return request(method, url, body).then(function (r) {
        return answer(r, before, undoable);
      });
    };
    var done = chain.then(run);
    chain = done.then(
      function () {},
      function () {},
    );
    return done.then(
      function (result) {
        app.busy--;
        return result;
      },
      function (e) {
        app.busy--;
        throw e;
      },
    );
  }

  function answer(r, before, undoable) {
    if (r.status === 200) {
      if (undoable && before !== undefined) {
        app.undo.push(before);
        if (app.undo.length > 50) app.undo.shift();
      }
      var next = isState(r.json) ? Promise.resolve(r.json) : fetchState("");
      return next.then(function (state) {
        if (state) apply(state, "edit");
        app.say("Saved", "saved");
        return { ok: true };
      });
    }
    if (r.status === 409 && isState(r.json)) {
      app.undo = [];
      apply(r.json, "conflict");
      app.say("Not saved", "error");
      return { ok: false, conflict: true };
    }
    var error =
      (r.json && r.json.error) ||
      (r.status ? "touredit answered " + r.status : "touredit does not answer");
    app.say("Not saved: " + error, "error");
    // What was shown ahead of the answer (a point moved) goes back.
    return fetchState("").then(function (state) {
      if (state) apply(state, "refused");
      return { ok: false, error: error, field: r.json && r.json.field };
    });
  }

  function edit(edits) {
    return change("POST", "/api/edit", { edits: edits }, true);
  }

  function putText(text, undoable) {
    return change("PUT", "/api/text", { text: text }, undoable);
  }

  function undoLast() {
    if (!app.undo.length) return Promise.resolve({ ok: false });
    var text = app.undo.pop();
    return putText(text, false);
  }

  function fetchState(known) {
    return request("GET", "/api/state?known=" + encodeURIComponent(known)).then(function (r) {
      return r.status === 200 && isState(r.json) ? r.json : null;
    });
  }

  // Once a second, unless this page is changing the plan itself.
  function poll() {
    if (app.busy || app.held || !app.state) return;
    var known = app.state.version;
    var url =
      "/api/state?known=" +
      encodeURIComponent(known) +
      "&images=" +
      encodeURIComponent(app.state.images || "");
    request("GET", url).then(function (r) {
      if (app.busy || app.held || !app.state || app.state.version !== known) return;
      if (r.status === 200 && isState(r.json)) {
        app.undo = [];
        apply(r.json, "poll");
        app.say("Changed by another program", "saved");
      } else if (r.status !== 200 || !r.json || !r.json.unchanged) {
        app.say(r.status ? "touredit answered " + r.status : "touredit does not answer", "error");
      }
    });
  }

  function start() {
    return fetchState("").then(function (state) {
      if (!state) {
        app.say("touredit does not answer", "error");
        return;
      }
      apply(state, "load");
      setInterval(poll, 1000);
    });
  }

  app.request = request;
  app.edit = edit;
  app.putText = putText;
  app.undoLast = undoLast;
  app.start = start;
  window.TourEdit = app;
})();
