<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>OfflineWindow</name>
    <message numerus="yes">
        <source>hours</source>
        <comment>after the number of hours</comment>
        <translation>
            <numerusform>hour</numerusform>
            <numerusform>hours</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>minutes</source>
        <comment>after the number of minutes</comment>
        <translation>
            <numerusform>minute</numerusform>
            <numerusform>minutes</numerusform>
        </translation>
    </message>
</context>
</TS>
