// A script client of Audevop, late-bound through its type library as any script would use it.
//   cscript //nologo audevop_client.js report
//       every device (all states) with its name, the defaults of every role, and the volume,
//       decibels, range and mute of every active device
//   cscript //nologo audevop_client.js device "<name>"
//       the state of the devices with that name and what reading their volume gives
//   cscript //nologo audevop_client.js refusals
//       the errors of calls a careless script makes
// One fact per line, fields separated by "|". Exit code 0 unless the object cannot be created.
var FLOWS = ["render", "capture"];
var ROLES = ["console", "multimedia", "communications"];
var ALL_FLOWS = 2, ALL_STATES = 15, ACTIVE = 1;

function hex(number) {
  return "0x" + ((number < 0 ? number + 0x100000000 : number).toString(16).toUpperCase());
}

// Runs one call and prints either its result or its error number and description.
function attempt(label, call) {
  try {
    var result = call();
    WScript.Echo("ok|" + label + (result === undefined ? "" : "|" + result));
  } catch (e) {
    WScript.Echo("error|" + label + "|" + hex(e.number) + "|" + e.description);
  }
}

function devices(op, flow, states) {
  return new VBArray(op.Devices(flow, states)).toArray();
}

function report(op) {
  var ids = devices(op, ALL_FLOWS, ALL_STATES);
  for (var i = 0; i < ids.length; ++i)
    WScript.Echo("device|" + FLOWS[op.DeviceFlow(ids[i])] + "|" + op.DeviceState(ids[i]) + "|" + ids[i] + "|" +
                 op.DeviceName(ids[i]));
  for (var f = 0; f < 2; ++f) {
    for (var r = 0; r < 3; ++r) {
      try {
        WScript.Echo("default|" + FLOWS[f] + "|" + ROLES[r] + "|" + op.DefaultDevice(f, r));
      } catch (e) {
        WScript.Echo("default|" + FLOWS[f] + "|" + ROLES[r] + "|" + hex(e.number) + " " + e.description);
      }
    }
    try {
      WScript.Echo("application-default|" + FLOWS[f] + "|" + op.ApplicationDefaultDevice(f));
    } catch (e) {
      WScript.Echo("application-default|" + FLOWS[f] + "|" + hex(e.number) + " " + e.description);
    }
  }
  var active = devices(op, ALL_FLOWS, ACTIVE);
  for (var a = 0; a < active.length; ++a) {
    var range = new VBArray(op.VolumeRange(active[a])).toArray();
    WScript.Echo("volume|" + active[a] + "|" + op.GetVolume(active[a]) + "|" + op.GetVolumeDecibels(active[a]) + "|" +
                 range.join("|") + "|" + op.GetMute(active[a]));
  }
}

function deviceByName(op, name) {
  var ids = devices(op, ALL_FLOWS, ALL_STATES);
  for (var i = 0; i < ids.length; ++i) {
    if (op.DeviceName(ids[i]) != name) continue;
    WScript.Echo("state|" + ids[i] + "|" + op.DeviceState(ids[i]));
    attempt("GetVolume", function () { return op.GetVolume(ids[i]); });
  }
}

function refusals(op) {
  var speakers = op.DefaultDevice(0);
  attempt("SetVolume 1.5", function () { op.SetVolume(speakers, 1.5); });
  attempt("GetVolume unknown", function () { return op.GetVolume("{0.0.0.00000000}.{00000000-0000-0000-0000-000000000000}"); });
  var others = devices(op, 0, ACTIVE);
  for (var i = 0; i < others.length; ++i) {
    if (others[i] == speakers) continue;
    attempt("SetDefaultDevice " + op.DeviceName(others[i]), function () { op.SetDefaultDevice(others[i]); });
    break;
  }
  attempt("SetDefaultDevice current", function () { op.SetDefaultDevice(speakers); });
}

var op = new ActiveXObject("Audevop.AudioDeviceOperator");
var mode = WScript.Arguments.length > 0 ? WScript.Arguments(0) : "report";
if (mode == "report") report(op);
else if (mode == "device") deviceByName(op, WScript.Arguments(1));
else if (mode == "refusals") refusals(op);
else WScript.Echo("unknown mode " + mode);
