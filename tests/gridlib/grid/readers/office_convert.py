#!/usr/bin/python3
# Converts several files with one start of LibreOffice: the office is started once, listening on a
# pipe of its own, and every file is loaded and stored through it with the filters each job names.
#
#   office_convert.py PROFILE_DIR PIPE_NAME JOB...
#   JOB: "input|import filter|import options|output|export filter|export options"
#        (an empty import filter lets the office detect the type)
#
# Prints "ok OUTPUT" or "failed OUTPUT: reason" for each job; exits non-zero when the office could
# not be reached. The caller bounds the whole run in time; here the office is only waited for, as
# long as that bound allows, and always ended.
import os
import subprocess
import sys
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException


def props(**values):
    out = []
    for name, value in values.items():
        p = PropertyValue()
        p.Name = name
        p.Value = value
        out.append(p)
    return tuple(out)


# A new profile speaks Russian, as the plant's stations do: texts without a code page of their own
# (an RTF without \ansicpg, a worksheet without a code page record) are then read as Windows-1251.
RUSSIAN_PROFILE = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" \
xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooLocale" oor:op="fuse"><value>ru-RU</value></prop></item>
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" oor:op="fuse">\
<value>ru-RU</value></prop></item>
</oor:items>
"""


def main():
    profile, pipe, jobs = sys.argv[1], sys.argv[2], sys.argv[3:]
    settings = os.path.join(profile, "user", "registrymodifications.xcu")
    if not os.path.exists(settings):
        os.makedirs(os.path.dirname(settings), exist_ok=True)
        with open(settings, "w", encoding="utf-8") as f:
            f.write(RUSSIAN_PROFILE)
    office = subprocess.Popen(
        ["soffice", "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), "--headless", "--invisible",
         "--norestore", "--nologo", "--nodefault", "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    context = None
    # The office answers once it has started, however long that takes; it may also give up.
    while context is None:
        if office.poll() is not None:
            print("the office ended before it answered (exit %d)" % office.returncode)
            return 2
        try:
            context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except NoConnectException:
            time.sleep(0.2)
    desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
    try:
        for job in jobs:
            source, importFilter, importOptions, target, exportFilter, exportOptions = job.split("|")
            load = {"Hidden": True}
            if importFilter:
                load["FilterName"] = importFilter
                load["FilterOptions"] = importOptions
            try:
                doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(source)), "_blank", 0,
                                                   props(**load))
                if doc is None:
                    print("failed %s: not loaded" % target)
                    continue
                try:
                    doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath(target)),
                                   props(FilterName=exportFilter, FilterOptions=exportOptions, Overwrite=True))
                    print("ok %s" % target)
                finally:
                    doc.close(True)
            except Exception as e:  # one file's failure leaves the others to convert
                print("failed %s: %s" % (target, e))
    finally:
        try:
            desktop.terminate()
        except Exception:
            pass  # the bridge goes down with the office
        try:
            office.wait(timeout=60)
        except subprocess.TimeoutExpired:
            office.kill()
            office.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
