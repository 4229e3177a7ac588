<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>hxReport</name>
    <message>
        <source>数据记录查看</source>
        <translation>from first</translation>
    </message>
    <message>
        <source>全天</source>
        <translation>Whole day</translation>
    </message>
</context>
</TS>
