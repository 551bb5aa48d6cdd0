"""A desktop portal of the test's own on the session bus: its FileChooser takes SaveFile
and OpenFile and then, by the mode given, never answers (silent), leaves the bus (stop),
or answers with a file that is not local (remote); or (late) it answers the call itself only
once it is sent SIGUSR1, naming a request other than the one the caller foresaw, and says
"closed PATH" when that request is closed. Prints "ready" once it owns its name.
Usage: fake_portal.py silent|stop|remote|late"""

import signal
import sys

from gi.repository import Gio, GLib

INTERFACE = '''<node><interface name="org.freedesktop.portal.FileChooser">
  <method name="SaveFile"><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
  <method name="OpenFile"><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
  <property name="version" type="u" access="read"/>
</interface></node>'''
REMOTE = 'sftp://host/home/u/song.TPZ'
REQUEST = '''<node><interface name="org.freedesktop.portal.Request">
  <method name="Close"/>
</interface></node>'''

mode = sys.argv[1]
loop = GLib.MainLoop()


def called(connection, sender, path, interface, method, parameters, invocation):
    options = parameters.unpack()[2]
    request = '/org/freedesktop/portal/desktop/request/%s/%s' % (sender[1:].replace('.', '_'),
                                                                 options['handle_token'])
    if mode == 'late':
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, answer_late, connection, request + '_late',
                             invocation)
        return
    invocation.return_value(GLib.Variant('(o)', (request,)))
    if mode == 'stop':
        GLib.timeout_add(100, loop.quit)
    elif mode == 'remote':
        answer = GLib.Variant('(ua{sv})', (0, {'uris': GLib.Variant('as', [REMOTE])}))
        GLib.timeout_add(100, lambda: connection.emit_signal(None, request, 'org.freedesktop.portal.Request',
                                                              'Response', answer) and False)


def answer_late(connection, request, invocation):
    def closed(connection, sender, path, interface, method, parameters, invocation):
        print('closed', path, flush=True)
        invocation.return_value(None)

    interface = Gio.DBusNodeInfo.new_for_xml(REQUEST).interfaces[0]
    connection.register_object(request, interface, closed, None, None)
    invocation.return_value(GLib.Variant('(o)', (request,)))
    return GLib.SOURCE_REMOVE


def bus_acquired(connection, name):
    interface = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
    connection.register_object('/org/freedesktop/portal/desktop', interface, called,
                               lambda *arguments: GLib.Variant('u', 3), None)


def acquired(connection, name):
    global owned
    owned = True
    print('ready', flush=True)


def lost(connection, name):
    # Waiting in the queue while the portal before it is on its way out.
    if owned:
        loop.quit()


owned = False
Gio.bus_own_name(Gio.BusType.SESSION, 'org.freedesktop.portal.Desktop', Gio.BusNameOwnerFlags.NONE,
                 bus_acquired, acquired, lost)
loop.run()
