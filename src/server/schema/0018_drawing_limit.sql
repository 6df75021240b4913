-- One request now carries up to 72 MB of text, so a drawing may be 54 MB of file and the
-- setting takes its usual default of 50 MB. A value an administrator changed is kept.
UPDATE main.sys_config
   SET idValue = '50', remark = '超过的图纸文件不能上传（传输上限 54 MB）'
 WHERE idName = 'maxDrawingMB' AND idValue = '12';
UPDATE main.sys_config
   SET remark = '超过的图纸文件不能上传（传输上限 54 MB）'
 WHERE idName = 'maxDrawingMB';
